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

#include <functional>

namespace testsupport {

// Runs the case files of `folder`. A case file's first line names its steps;
// sections "%% NAME" follow, each an input file written into a fresh
// directory, up to the section named by one of `outcomes` (or "fatal"), whose
// text is the exact expected standard output. `run(steps)` runs each case in
// its own process from its directory and must end it, with status 1 for
// "fatal" and 0 otherwise. Returns the number of cases.
int RunCaseFiles(const std::string& folder, const std::string& outcome,
                 const std::function<void(std::string steps)>& run);

}  // namespace testsupport

#endif
