// The unit tests' helpers: those shared with the fuzz targets (Support.h) and
// the death-test wrapper for fatal paths.
#ifndef LOCI_TESTS_SUPPORT_TESTSUPPORT_H
#define LOCI_TESTS_SUPPORT_TESTSUPPORT_H

#include <unistd.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/Support.h"

// The statement must end the process with `status` and print exactly
// `expected` on standard output, which the dying process sends to its
// standard error, where the death test reads it.
#define EXPECT_EXIT_PRINTING(statement, status, expected) \
   EXPECT_EXIT(                                           \
       {                                                  \
          fflush(stdout);                                 \
          dup2(2, 1);                                     \
          statement;                                      \
       },                                                 \
       ::testing::ExitedWithCode(status), ::testing::Eq(std::string(expected)))

// A fatal path: exit status 1 and exactly the reporter's text.
#define EXPECT_FATAL(statement, expected) EXPECT_EXIT_PRINTING(statement, 1, expected)

#endif
