#include "io/Error.h"

#include "tests/support/TestSupport.h"

namespace {

// The fatal reporters differ in where the message starts.
TEST(MessagesDeathTest, FatalReportersPrintTheirMarkerThenExitOne) {
   EXPECT_FATAL(error("File [%s] could not be opened", "x.txt"),
                "\nFATAL ERROR - \nFile [x.txt] could not be opened\n\n");
   EXPECT_FATAL(numerror("value %d out of range", 7),
                "\nFATAL NUMERIC ERROR - value 7 out of range\n\n");
}

TEST(Messages, WarningPrintsBellMarkerAndReturns) {
   testsupport::StdoutCapture capture;
   warning("Problems: %s", "none\n");
   EXPECT_EQ(capture.Finish(), "\n\aWARNING - \nProblems: none\n\n");
}

}  // namespace
