#include "quality/MarkerSums.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "quality/ReportRows.h"
#include "tests/support/TestSupport.h"

namespace {

DecimalText Read(const std::string& text) {
   DecimalText number;
   EXPECT_TRUE(ReadDecimal(text.data(), text.data() + text.size(), number)) << text;
   return number;
}

bool SameBits(double a, double b) {
   return std::memcmp(&a, &b, sizeof a) == 0;
}

std::string Row(const MarkerSums& sums) {
   std::string row;
   AppendQualityColumns(row, ReportLayout::kInfo, sums.n, sums.Sum(), sums.SumOfSquares());
   return row;
}

// Two-decimal dosages put markers exactly on rounding ties; however the
// samples are ordered and split into pooled batches, the sums and the row
// are the same to the last bit.
TEST(MarkerSums, ExactSumsDoNotDependOnOrderOrBatches) {
   std::mt19937 rng(26);
   for (int marker = 0; marker < 200; marker++) {
      std::vector<DecimalText> dosages;
      for (int i = 0; i < 300; i++) {
         char text[16];
         snprintf(text, sizeof text, "%.2f", (rng() % 201) / 100.0);
         dosages.push_back(Read(text));
      }
      MarkerSums once;
      for (const DecimalText& d : dosages) once.Add(d);
      std::shuffle(dosages.begin(), dosages.end(), rng);
      MarkerSums pooled, batch;
      for (size_t i = 0; i < dosages.size(); i++) {
         batch.Add(dosages[i]);
         if (rng() % 40 == 0 || i + 1 == dosages.size()) {
            ASSERT_TRUE(pooled.Pool(batch));
            batch = MarkerSums();
         }
      }
      ASSERT_EQ(pooled.n, once.n);
      ASSERT_TRUE(SameBits(pooled.Sum(), once.Sum()));
      ASSERT_TRUE(SameBits(pooled.SumOfSquares(), once.SumOfSquares()));
      ASSERT_EQ(Row(pooled), Row(once));
   }
}

// Exact sums are written as exact decimals, the rest as "%.17g"; both read
// back to the same doubles, and exact ones go on pooling exactly.
TEST(MarkerSums, TextReadsBackToTheSameSums) {
   MarkerSums exact, inexact, nan;
   for (const char* d : {"0.1", "0.2", "1.999999999", "-0.000000001"}) exact.Add(Read(d));
   inexact.Add(Read("0.1"));
   inexact.AddInexact(0.30000001192092896);  // a 32-bit float's 0.3
   nan.Add(Read("1"));
   nan.Add(Read("nan"));
   struct Case {
      const MarkerSums& sums;
      const char *sum, *squares;
   } cases[] = {{exact, "2.299999998", "4.049999996000000002"},
                {inexact, "0.40000001192092893", "0.10000000715255751"},
                {nan, "nan", "nan"}};
   for (const Case& c : cases) {
      char sum[64], squares[64];
      c.sums.SumText(sum, sizeof sum);
      c.sums.SquaresText(squares, sizeof squares);
      EXPECT_STREQ(sum, c.sum);
      EXPECT_STREQ(squares, c.squares);
      MarkerSums back;
      ASSERT_TRUE(back.ReadSums(sum, sum + strlen(sum), squares, squares + strlen(squares)));
      EXPECT_TRUE(SameBits(back.Sum(), c.sums.Sum()) || std::isnan(back.Sum())) << sum;
      EXPECT_TRUE(SameBits(back.SumOfSquares(), c.sums.SumOfSquares()) ||
                  std::isnan(back.SumOfSquares()));
   }
   MarkerSums back;
   EXPECT_FALSE(back.ReadSums("1", "1" + 1, "x", "x" + 1));
   EXPECT_FALSE(back.ReadSums("", "", "1", "1" + 1));
}

TEST(MarkerSums, PoolingRefusesACountPastTheLargest) {
   MarkerSums big, one;
   big.n = std::numeric_limits<int64_t>::max();
   one.Add(Read("1"));
   EXPECT_FALSE(big.Pool(one));
   EXPECT_EQ(big.n, std::numeric_limits<int64_t>::max());
   EXPECT_TRUE(one.Pool(one));
   EXPECT_EQ(one.n, 2);
}

// The "-" cases and the column order of both layouts.
TEST(ReportRows, UndefinedValuesAndLayouts) {
   struct Case {
      std::vector<const char*> dosages;
      const char *info, *standard;
   } cases[] = {
       {{}, "\t-\t-\t0\t-\n", "\t0\t-\t-\t-\n"},
       {{"1"}, "\t-\t-\t1\t-\n", "\t1\t-\t-\t-\n"},
       {{"0", "0"}, "\t1.000\t0.000\t2\t-\n", "\t2\t1.000\t0.000\t-\n"},
       {{"2", "2"}, "\t0.000\t0.000\t2\t-\n", "\t2\t0.000\t0.000\t-\n"},
       {{"0", "1", "2"}, "\t0.500\t0.500\t3\t2.000\n", "\t3\t0.500\t0.500\t2.000\n"},
       {{"1", "nan"}, "\tnan\tnan\t2\tnan\n", "\t2\tnan\tnan\tnan\n"},
       {{"-nan", "-nan"}, "\tnan\tnan\t2\tnan\n", "\t2\tnan\tnan\tnan\n"},
   };
   for (const Case& c : cases) {
      MarkerSums sums;
      for (const char* d : c.dosages) sums.Add(Read(d));
      std::string info, standard;
      AppendQualityColumns(info, ReportLayout::kInfo, sums.n, sums.Sum(), sums.SumOfSquares());
      AppendQualityColumns(standard, ReportLayout::kStandard, sums.n, sums.Sum(),
                           sums.SumOfSquares());
      EXPECT_EQ(info, c.info);
      EXPECT_EQ(standard, c.standard);
   }
}

}  // namespace
