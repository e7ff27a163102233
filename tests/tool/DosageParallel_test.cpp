// The parallel parser against the single-threaded one on random files, with
// batches and the long-line limit small enough that every file is cut many
// times: inside line-end pairs, inside runs of blank lines, and around lines
// streamed for being too long. Notices, sums to the last bit, counts and the
// line-end memory handed back must all be the same.
#include "tool/DosageParallel.h"

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"
#include "tests/tool/R2HatOracle.h"
#include "tests/tool/RandomDosages.h"

namespace {

struct Outcome {
   std::string notices;
   r2hatoracle::Sums sums;
   int lineEndMemory;
};

// Equal to the last bit, where a not-a-number is any not-a-number: which of
// two meeting in a sum survives is the compiler's choice of operand order,
// and the report prints every one alike.
bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
   if (a.size() != b.size()) return false;
   for (size_t i = 0; i < a.size(); i++)
      if (!(std::isnan(a[i]) && std::isnan(b[i])) && memcmp(&a[i], &b[i], sizeof(double)) != 0)
         return false;
   return true;
}

template <class Parser>
Outcome Parse(Parser& parser, r2hatoracle::Sums& sums, const std::string& text, std::mt19937& rng,
              bool readError) {
   testsupport::StdoutCapture capture;
   for (size_t at = 0, piece; at < text.size(); at += piece) {
      piece = std::min<size_t>(1 + rng() % (rng() % 2 ? 5 : 200), text.size() - at);
      parser.Feed(text.data() + at, piece);
   }
   parser.Finish(readError);
   return {capture.Finish(), sums, loci_internal::IfileLineEnd()};
}

TEST(DosageParallel, SameNoticesSumsAndLineEndsAsOneThread) {
   std::mt19937 rng(20261207);
   for (int round = 0; round < 300; round++) {
      SCOPED_TRACE(testing::Message() << "round " << round);
      int markers = static_cast<int>(rng() % 6);
      std::string text =
          randomdosages::RandomDosages(rng, markers, static_cast<int>(rng() % 40), round % 7 == 6);
      if (round % 5 == 4) {  // a long run of line ends, anywhere
         std::string run;
         for (int n = rng() % 200; n > 0; n--) run += "\r\n"[rng() % 2];
         text.insert(rng() % (text.size() + 1), run);
      }
      // A read error cuts the input anywhere, mostly inside a line.
      bool readError = round % 11 == 10;
      if (readError) text.resize(rng() % (text.size() + 1));
      int memory = "\0\r\n"[rng() % 3];

      loci_internal::IfileLineEnd() = memory;
      r2hatoracle::Sums one(markers);
      DosageParser single(markers, 2, one.sum.data(), one.sumsq.data(), one.count.data());
      Outcome expected = Parse(single, one, text, rng, readError);

      loci_internal::IfileLineEnd() = memory;
      r2hatoracle::Sums many(markers);
      ParallelDosageParser parallel(markers, 2, many.sum.data(), many.sumsq.data(),
                                    many.count.data(), 1 + round % 3, 1 + rng() % 64,
                                    1 + rng() % 100);
      Outcome got = Parse(parallel, many, text, rng, readError);

      EXPECT_EQ(got.notices, expected.notices);
      EXPECT_EQ(got.lineEndMemory, expected.lineEndMemory);
      EXPECT_EQ(got.sums.count, expected.sums.count);
      EXPECT_TRUE(SameBits(got.sums.sum, expected.sums.sum));
      EXPECT_TRUE(SameBits(got.sums.sumsq, expected.sums.sumsq));
   }
}

}  // namespace
