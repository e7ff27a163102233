// Reports over randomly generated dosage files, checked against statistics
// computed here from first principles: two-pass mean and variance in long
// double, with the skip notices predicted from the generated lines.
#include <cmath>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"
#include "tests/tool/R2HatTestSupport.h"

namespace {

struct Generated {
   R2HatInput input;
   std::vector<std::vector<long double>> dosages;  // per marker, accepted lines only
   std::string expectedSkips;
};

std::string Separator(std::mt19937& rng) {
   static const char* const kRuns[] = {" ", "\t", "  ", " \t ", "\t\t"};
   return kRuns[rng() % 5];
}

// A dosage in one of the notations imputation programs write, with the value
// that notation denotes.
std::string Dosage(std::mt19937& rng, int style, long double& value) {
   char text[64];
   int thousandths = static_cast<int>(rng() % 2001);
   switch (style) {
      case 0:  // fixed markers: all zero
         value = 0;
         return "0";
      case 1:  // all two
         value = 2;
         return "2.000";
      default:
         break;
   }
   switch (rng() % 4) {
      case 0:
         snprintf(text, sizeof text, "%d.%03d", thousandths / 1000, thousandths % 1000);
         break;
      case 1:
         snprintf(text, sizeof text, "%de-3", thousandths);
         break;
      case 2:
         thousandths = (thousandths / 1000) * 1000;
         snprintf(text, sizeof text, "%d", thousandths / 1000);
         break;
      default:
         snprintf(text, sizeof text, "%.1f", thousandths / 1000.0);
         thousandths = static_cast<int>(std::lround(std::strtod(text, nullptr) * 1000));
         break;
   }
   value = thousandths / 1000.0L;
   return text;
}

Generated Generate(unsigned seed) {
   std::mt19937 rng(seed);
   Generated g;
   int markers = 1 + static_cast<int>(rng() % 12);
   int lines = static_cast<int>(rng() % 40);
   std::vector<int> style(markers);
   for (int m = 0; m < markers; m++) {
      style[m] = rng() % 8 == 0 ? static_cast<int>(rng() % 2) : 2;
      g.input.snps += "rs" + std::to_string(seed) + "_" + std::to_string(m) + "\n";
   }
   g.dosages.resize(markers);

   std::vector<std::string> fileLines;
   for (int l = 0; l < lines; l++) {
      int kind = static_cast<int>(rng() % 10);
      if (kind == 0) {
         fileLines.push_back(rng() % 2 ? "" : " \t ");
         continue;
      }
      int fields = markers;
      if (kind == 1) fields = markers + (rng() % 2 ? 1 : -1);
      std::string line = (rng() % 3 == 0 ? " " : "") + std::string("ind") + std::to_string(l) +
                         Separator(rng) + "DOSE";
      std::vector<long double> values(fields > 0 ? fields : 0);
      for (int f = 0; f < fields; f++)
         line += Separator(rng) + Dosage(rng, f < markers ? style[f] : 2, values[f]);
      if (rng() % 4 == 0) line += Separator(rng);
      fileLines.push_back(line);
      if (fields == markers) {
         for (int m = 0; m < markers; m++) g.dosages[m].push_back(values[m]);
      } else {
         g.expectedSkips += "Skipped line " + std::to_string(l + 1) + " in dosagefile contains " +
                            std::to_string(fields) + " markers != " + std::to_string(markers) +
                            " in snpsfile\n";
      }
   }
   static const char* const kEnds[] = {"\n", "\r", "\r\n", "\n\r"};
   const char* end = kEnds[rng() % 4];
   for (size_t l = 0; l < fileLines.size(); l++) {
      g.input.dosages += fileLines[l];
      // The last line may lack its terminator.
      if (l + 1 < fileLines.size() || rng() % 2) g.input.dosages += end;
   }
   g.input.gzipDosages = rng() % 2;
   return g;
}

std::string Expected3(long double x) {
   char text[32];
   snprintf(text, sizeof text, "%.3Lf", x);
   return text;
}

// Printed value within rounding of the oracle's: half a unit of the third
// decimal, plus room for the report's one-pass arithmetic.
void ExpectNear(const std::string& printed, long double oracle, const std::string& what) {
   double value = std::strtod(printed.c_str(), nullptr);
   EXPECT_NEAR(value, static_cast<double>(oracle), 0.0005 + 1e-9)
       << what << " printed " << printed << ", oracle " << Expected3(oracle);
}

TEST(R2HatOracle, RandomFilesMatchFirstPrinciples) {
   testsupport::TempDir dir;
   for (unsigned seed = 1; seed <= 150; seed++) {
      SCOPED_TRACE(testing::Message() << "seed " << seed);
      Generated g = Generate(seed);
      R2HatRun run = RunR2Hat(dir, g.input);

      std::string prefix = dir.File("out");
      EXPECT_EQ(run.stdoutText, "Read in " + std::to_string(g.dosages.size()) +
                                    " markers from marker info file\n\n" + g.expectedSkips +
                                    "Wrote out quality measure r2_hat to file [" + prefix +
                                    ".r2_hat] ...\n\n");

      std::istringstream report(run.report);
      std::string row;
      std::getline(report, row);
      ASSERT_EQ(row, "Marker\tnIndiv\tFreq1\tMAF\tR2_hat");
      for (size_t m = 0; m < g.dosages.size(); m++) {
         ASSERT_TRUE(std::getline(report, row));
         std::istringstream cells(row);
         std::string name, n, freq1, maf, r2;
         std::getline(cells, name, '\t');
         std::getline(cells, n, '\t');
         std::getline(cells, freq1, '\t');
         std::getline(cells, maf, '\t');
         std::getline(cells, r2, '\t');
         const std::vector<long double>& d = g.dosages[m];
         EXPECT_EQ(name, "rs" + std::to_string(seed) + "_" + std::to_string(m));
         EXPECT_EQ(n, std::to_string(d.size()));
         if (d.size() <= 1) {
            EXPECT_EQ(freq1 + maf + r2, "---");
            continue;
         }
         long double mean = 0;
         for (long double x : d) mean += x;
         mean /= d.size();
         long double ss = 0;
         for (long double x : d) ss += (x - mean) * (x - mean);
         long double variance = ss / (d.size() - 1);
         long double p = mean / 2;
         ExpectNear(freq1, 1 - p, "Freq1");
         ExpectNear(maf, p < 1 - p ? p : 1 - p, "MAF");
         if (p == 0 || p == 1) {
            EXPECT_EQ(r2, "-");
         } else {
            ExpectNear(r2, variance / (2 * p * (1 - p)), "r2_hat");
         }
      }
      EXPECT_FALSE(std::getline(report, row)) << "extra row " << row;
   }
}

}  // namespace
