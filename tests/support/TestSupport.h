// The unit tests' helpers: those shared with the fuzz targets (Support.h) and
// the death-test wrapper for fatal paths.
#ifndef LOCI_TESTS_SUPPORT_TESTSUPPORT_H
#define LOCI_TESTS_SUPPORT_TESTSUPPORT_H

#include <unistd.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/Support.h"

// A fatal path: the statement must end the process with status 1 and print
// exactly `expected` on standard output (the reporters write there), which the
// dying process sends to its standard error, where the death test reads it.
#define EXPECT_FATAL(statement, expected)                                 \
   EXPECT_EXIT(                                                           \
       {                                                                  \
          fflush(stdout);                                                 \
          dup2(2, 1);                                                     \
          statement;                                                      \
       },                                                                 \
       ::testing::ExitedWithCode(1), ::testing::Eq(std::string(expected)))

#endif
