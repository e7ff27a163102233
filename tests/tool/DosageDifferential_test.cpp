// The block reader against the plain reading of the dosage file, side by side
// on randomized files: each line read with String::ReadLine, split with
// StringArray::ReplaceTokens and converted with atof, as the straightforward
// loop does. Reports and notices must be identical, byte for byte.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "base/StringArray.h"
#include "base/StringBasics.h"
#include "tests/support/TestSupport.h"
#include "tests/tool/R2HatTestSupport.h"
#include "tool/DosageLoader.h"
#include "tool/DosageParser.h"
#include "tool/MarkerLoader.h"

namespace {

using testsupport::TempDir;

struct Sums {
   std::vector<double> sum, sumsq;
   std::vector<int> count;
   explicit Sums(int n) : sum(n), sumsq(n), count(n) {}
};

// The plain loop over one open file, printing its notices.
void PlainAccumulate(IFILE& file, int markerCount, Sums& s) {
   String line;
   StringArray tokens;
   String separators(" \t\r\n");
   int lineNo = 0;
   while (!ifeof(file)) {
      lineNo++;
      line.ReadLine(file);
      tokens.ReplaceTokens(line, separators);
      if (tokens.Length() == 0) continue;
      int m = tokens.Length() - DOSE_START_INDEX;
      if (m != markerCount) {
         printf("Skipped line %d in dosagefile contains %d markers != %d in snpsfile\n", lineNo, m,
                markerCount);
         continue;
      }
      for (int i = 0; i < markerCount; i++) {
         double d = atof(tokens[DOSE_START_INDEX + i]);
         s.sum[i] += d;
         s.sumsq[i] += d * d;
         s.count[i]++;
      }
   }
}

// The report as the plain loop writes it (standard layout).
std::string PlainReport(const std::vector<std::string>& names, const Sums& s) {
   std::string out = "Marker\tnIndiv\tFreq1\tMAF\tR2_hat\n";
   char row[4096];  // room for three numbers near 1e308 printed with %.3f
   for (size_t i = 0; i < names.size(); i++) {
      int n = s.count[i];
      if (n <= 1) {
         snprintf(row, sizeof row, "\t%d\t-\t-\t-\n", n);
      } else {
         double p = (s.sum[i] / 2.0) / n;
         double q = 1.0 - p;
         double var = (s.sumsq[i] - (s.sum[i] * s.sum[i]) / n) / (n - 1);
         double maf = q > p ? p : q;
         double r2 = ((var / 2.0) / p) / q;
         // NaNs are written without their sign.
         if (std::isnan(q)) q = std::fabs(q);
         if (std::isnan(maf)) maf = std::fabs(maf);
         if (std::isnan(r2)) r2 = std::fabs(r2);
         if (p == 0.0 || p == 1.0)
            snprintf(row, sizeof row, "\t%d\t%.3f\t%.3f\t-\n", n, q, maf);
         else
            snprintf(row, sizeof row, "\t%d\t%.3f\t%.3f\t%.3f\n", n, q, maf, r2);
      }
      out += names[i] + row;
   }
   return out;
}

const char* const kSpecials[] = {"nan",
                                 "NaN",
                                 "-nan",
                                 "inf",
                                 "-Infinity",
                                 "+1.5",
                                 "0x1p-2",
                                 "0X1A",
                                 "1e400",
                                 "-1e400",
                                 "1e-400",
                                 "4.9e-324",
                                 "-",
                                 ".",
                                 "abc",
                                 "1.5x",
                                 "\v1.25",
                                 "\f2",
                                 "1e",
                                 "1e+",
                                 "5.",
                                 ".5",
                                 "-.5e1",
                                 "00001.000",
                                 "1234567890123456789012",
                                 "0.30000000000000004441",
                                 "9007199254740993",
                                 "1.7976931348623157e308",
                                 "2.2250738585072011e-308",
                                 "1.0e22",
                                 "1e23",
                                 "-0",
                                 "-0.000",
                                 "1,5",
                                 "1.5e-0400"};

std::string Field(std::mt19937& rng) {
   switch (rng() % 10) {
      case 0:
         return kSpecials[rng() % (sizeof kSpecials / sizeof *kSpecials)];
      case 1: {
         std::string s = std::to_string(rng() % 3) + "." + std::to_string(rng() % 1000);
         s.insert(s.begin() + static_cast<long>(rng() % s.size()), '\0');  // NUL inside a field
         return s;
      }
      case 2:
         return std::to_string(static_cast<int>(rng() % 3)) + "e" +
                std::to_string(-3 + int(rng() % 7));
      default: {
         char text[32];
         int t = static_cast<int>(rng() % 2001);
         snprintf(text, sizeof text, "%d.%03d", t / 1000, t % 1000);
         return text;
      }
   }
}

std::string Separators(std::mt19937& rng) {
   static const char* const kRuns[] = {" ", "\t", "  ", " \t ", "\t\t", "    "};
   return kRuns[rng() % 6];
}

std::string LineEnd(std::mt19937& rng) {
   static const char* const kEnds[] = {"\n", "\r", "\r\n", "\n\r"};
   return kEnds[rng() % 4];
}

// A dosage file of `lines` lines for `markers` markers, with blank lines,
// lines of the wrong length, odd fields and mixed line ends.
std::string RandomDosages(std::mt19937& rng, int markers, int lines, bool longLines) {
   std::string text;
   if (rng() % 4 == 0) text += LineEnd(rng);  // may meet the memory of the file before
   for (int l = 0; l < lines; l++) {
      int kind = static_cast<int>(rng() % 12);
      if (kind == 0) {
         text += (rng() % 2 ? "" : " \t ") + LineEnd(rng);
         continue;
      }
      int fields = markers + 2;
      if (kind == 1) fields += rng() % 2 ? 1 : -1;
      if (kind == 2) fields = static_cast<int>(rng() % 4);
      if (rng() % 3 == 0) text += Separators(rng);
      for (int f = 0; f < fields; f++) {
         if (f > 0) text += Separators(rng);
         text += f < 2 ? "id" + std::to_string(l) : Field(rng);
         if (longLines && f == 2) text += std::string(20000 + rng() % 5000, '7');
      }
      if (rng() % 4 == 0) text += Separators(rng);
      if (l + 1 < lines || rng() % 2) text += LineEnd(rng);
   }
   return text;
}

std::string Gzip(std::mt19937& rng, const std::string& text) {
   // Several members now and then, and now and then bytes after the last one
   // that are no gzip member (ignored, as zlib does).
   std::string out;
   size_t members = 1 + rng() % 3, start = 0;
   for (size_t m = 0; m < members; m++) {
      size_t end = m + 1 == members ? text.size() : start + rng() % (text.size() - start + 1);
      out += testsupport::Gzip(text.substr(start, end - start), 1 + static_cast<int>(rng() % 9));
      start = end;
   }
   if (rng() % 5 == 0) out += std::string("garbage\0\1", 9);
   return out;
}

struct Outcome {
   std::string notices, report;
};

Outcome RunPlain(const TempDir& dir, const std::string& file,
                 const std::vector<std::string>& names) {
   ResetLineEndMemory(dir);
   Sums s(static_cast<int>(names.size()));
   testsupport::StdoutCapture capture;
   IFILE f = ifopen(file.c_str(), "rt");
   PlainAccumulate(f, static_cast<int>(names.size()), s);
   ifclose(f);
   return {capture.Finish(), PlainReport(names, s)};
}

// byName: the file-name entry (the fast gzip decoder where built in);
// otherwise an open IFILE, read through zlib.
Outcome RunLoader(const TempDir& dir, const std::string& file, const std::string& snps,
                  bool byName) {
   ResetLineEndMemory(dir);
   String prefix(dir.File("out").c_str());
   testsupport::StdoutCapture capture;
   MarkerLoader markers;
   markers.LoadMarkers(snps.c_str());
   DosageLoader loader;
   if (byName) {
      loader.DosageAnalysis(file.c_str(), prefix, markers);
   } else {
      IFILE f = ifopen(file.c_str(), "rt");
      loader.DosageAnalysis(f, prefix, markers);
      ifclose(f);
   }
   std::string out = capture.Finish();
   // Keep only the notices: drop the loaders' own first and last lines.
   size_t begin = out.find("\n\n") + 2;
   size_t end = out.rfind("Wrote out");
   return {out.substr(begin, end - begin), testsupport::ReadFile(dir.File("out.r2_hat"))};
}

TEST(DosageDifferential, BlockReaderMatchesPlainLoopOnRandomFiles) {
   TempDir dir;
   std::mt19937 rng(20261206);
   for (int round = 0; round < 120; round++) {
      int markers = static_cast<int>(rng() % 9);
      std::vector<std::string> names;
      std::string snps;
      for (int m = 0; m < markers; m++) {
         names.push_back("m" + std::to_string(m));
         snps += names.back() + "\n";
      }
      std::string snpFile = dir.Write("snps.txt", snps);
      bool longLines = round % 10 == 9;
      std::string text = RandomDosages(rng, markers, static_cast<int>(rng() % 60), longLines);
      bool gzip = rng() % 2;
      std::string file = dir.Write("dose", gzip ? Gzip(rng, text) : text);
      SCOPED_TRACE(testing::Message() << "round " << round << (gzip ? " gzip" : " plain"));

      Outcome plain = RunPlain(dir, file, names);
      for (bool byName : {true, false}) {
         Outcome fast = RunLoader(dir, file, snpFile, byName);
         EXPECT_EQ(fast.notices, plain.notices) << (byName ? "by name" : "through IFILE");
         EXPECT_EQ(fast.report, plain.report) << (byName ? "by name" : "through IFILE");
      }
   }
}

// Large files cross the reader's blocks inside lines and fields.
TEST(DosageDifferential, LinesAndFieldsAcrossBlocks) {
   TempDir dir;
   std::mt19937 rng(7);
   std::vector<std::string> names;
   std::string snps;
   for (int m = 0; m < 3000; m++) {
      names.push_back("m" + std::to_string(m));
      snps += names.back() + "\n";
   }
   std::string snpFile = dir.Write("snps.txt", snps);
   std::string text = RandomDosages(rng, 3000, 700, false);  // about 5 MB
   for (bool gzip : {false, true}) {
      std::string file = dir.Write("dose", gzip ? Gzip(rng, text) : text);
      Outcome plain = RunPlain(dir, file, names);
      for (bool byName : {true, false}) {
         Outcome fast = RunLoader(dir, file, snpFile, byName);
         EXPECT_EQ(fast.notices, plain.notices);
         EXPECT_EQ(fast.report, plain.report);
      }
   }
}

// Fed in pieces of every size, the parser sees the same lines and fields.
TEST(DosageDifferential, ParserIgnoresHowTheInputIsCut) {
   TempDir dir;
   std::mt19937 rng(99);
   for (int round = 0; round < 40; round++) {
      int markers = 1 + static_cast<int>(rng() % 5);
      std::string text = RandomDosages(rng, markers, 30, false);
      std::vector<Sums> results;
      std::vector<std::string> notices;
      for (size_t piece : {size_t(1), size_t(2), size_t(7), size_t(64), text.size() + 1}) {
         ResetLineEndMemory(dir);
         Sums s(markers);
         testsupport::StdoutCapture capture;
         {
            DosageParser parser(markers, 2, s.sum.data(), s.sumsq.data(), s.count.data());
            for (size_t at = 0; at < text.size(); at += piece)
               parser.Feed(text.data() + at, std::min(piece, text.size() - at));
            parser.Finish();
         }
         notices.push_back(capture.Finish());
         results.push_back(s);
      }
      for (size_t k = 1; k < results.size(); k++) {
         EXPECT_EQ(notices[k], notices[0]);
         for (int m = 0; m < markers; m++) {
            EXPECT_EQ(results[k].count[m], results[0].count[m]);
            // Bit for bit, nan included.
            EXPECT_EQ(std::memcmp(&results[k].sum[m], &results[0].sum[m], sizeof(double)), 0);
            EXPECT_EQ(std::memcmp(&results[k].sumsq[m], &results[0].sumsq[m], sizeof(double)), 0);
         }
      }
   }
}

TEST(DosageConversion, AgreesWithAtofToTheLastBit) {
   std::mt19937 rng(5);
   std::vector<std::string> texts(std::begin(kSpecials), std::end(kSpecials));
   for (int i = 0; i < 200000; i++) {
      char text[64];
      switch (i % 4) {
         case 0:
            snprintf(text, sizeof text, "%.*f", static_cast<int>(rng() % 10),
                     (rng() % 2000001) / 1e6);
            break;
         case 1:
            snprintf(text, sizeof text, "%.17g",
                     std::ldexp(static_cast<double>(rng()), -int(rng() % 80)));
            break;
         case 2:
            snprintf(text, sizeof text, "%ue%d", static_cast<unsigned>(rng()),
                     -30 + int(rng() % 60));
            break;
         default:
            snprintf(text, sizeof text, "-%u.%u", static_cast<unsigned>(rng() % 100),
                     static_cast<unsigned>(rng()));
            break;
      }
      texts.push_back(text);
   }
   for (const std::string& t : texts) {
      double expected = atof(t.c_str());
      double actual = ConvertDosage(t.data(), t.data() + t.size());
      ASSERT_EQ(std::memcmp(&expected, &actual, sizeof(double)), 0) << "'" << t << "'";
   }
}

}  // namespace
