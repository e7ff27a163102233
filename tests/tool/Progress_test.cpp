#include "tool/Progress.h"

#include <cstdio>
#include <string>

#include "tests/support/TestSupport.h"

namespace {

std::string Line(uint64_t bytes, uint64_t consumed, uint64_t total, double seconds) {
   char line[128];
   Progress::Format(line, sizeof line, bytes, consumed, total, seconds);
   return line;
}

TEST(Progress, LineShowsBytesShareAndRate) {
   EXPECT_EQ(Line(250000000, 30000000, 60000000, 2.0),
             "r2_hat: read 250.0 MB of dosages (50%), 125.0 MB/s");
   EXPECT_EQ(Line(1500000, 0, 0, 0.5), "r2_hat: read 1.5 MB of dosages, 3.0 MB/s");
}

TEST(Progress, NothingReachesAStreamThatIsNoTerminal) {
   FILE* out = tmpfile();
   ASSERT_NE(out, nullptr);
   {
      Progress progress(out);
      for (int i = 0; i < 1000; i++) progress.Update(i * 1000000ull, i, 1000);
   }
   EXPECT_EQ(ftell(out), 0);
   fclose(out);
}

}  // namespace
