#include "program/Progress.h"

#include <cstdio>
#include <string>

#include "tests/support/TestSupport.h"

namespace {

std::string ReadLine(uint64_t bytes, uint64_t consumed, uint64_t total, double seconds) {
   char line[128];
   ProgressLine::FormatRead(line, sizeof line, "r2_hat", "dosages", bytes, consumed, total,
                            seconds);
   return line;
}

TEST(Progress, LinesShowBytesShareAndRateOrCounts) {
   EXPECT_EQ(ReadLine(250000000, 30000000, 60000000, 2.0),
             "r2_hat: read 250.0 MB of dosages (50%), 125.0 MB/s");
   EXPECT_EQ(ReadLine(1500000, 0, 0, 0.5), "r2_hat: read 1.5 MB of dosages, 3.0 MB/s");
   char line[128];
   ProgressLine::FormatCount(line, sizeof line, "ped_qc", "inheritance check, marker", 3, 40);
   EXPECT_STREQ(line, "ped_qc: inheritance check, marker 3 of 40");
}

TEST(Progress, NothingReachesAStreamThatIsNoTerminal) {
   FILE* out = tmpfile();
   ASSERT_NE(out, nullptr);
   {
      ProgressLine progress("r2_hat", out);
      for (int i = 0; i < 1000; i++) {
         progress.Read("dosages", i * 1000000ull, i, 1000);
         progress.Count("marker", i, 1000);
      }
   }
   EXPECT_EQ(ftell(out), 0);
   fclose(out);
}

}  // namespace
