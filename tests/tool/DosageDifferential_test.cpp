// The block reader against the plain reading of the dosage file, side by side
// on randomized files: each line read with String::ReadLine, split with
// StringArray::ReplaceTokens and converted with atof, as the straightforward
// loop does. Reports and notices must be identical, byte for byte, however the
// input reaches the parser.
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
#include "tests/tool/R2HatOracle.h"
#include "tests/tool/RandomDosages.h"
#include "tool/DosageLoader.h"
#include "tool/DosageParser.h"
#include "tool/MarkerLoader.h"

namespace {

using namespace randomdosages;
using r2hatoracle::Sums;
using testsupport::TempDir;

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

struct Runner {
   TempDir dir;
   std::vector<std::string> names;

   explicit Runner(int markers) {
      for (int m = 0; m < markers; m++) names.push_back("m" + std::to_string(m));
   }

   // Notices and report of the plain loop (way 0), the loader given the file
   // name (1: the fast gzip decoder where built in) or an open IFILE (2: zlib),
   // or the parser alone fed the file's text in pieces of random sizes (3).
   std::string Output(int way, const std::string& file, const std::string& text,
                      std::mt19937& rng) {
      testsupport::ResetLineEndMemory();
      int markers = static_cast<int>(names.size());
      Sums s(names.size());
      String prefix(dir.File("out").c_str());
      MarkerLoader markerLoader;
      for (const std::string& name : names) markerLoader.markerNames.Add(name.c_str());
      markerLoader.markerCount = markers;
      testsupport::StdoutCapture capture;
      IFILE f = ifopen(file.c_str(), "rt");
      if (way == 0) PlainAccumulate(f, markers, s);
      if (way == 1) DosageLoader().DosageAnalysis(file.c_str(), prefix, markerLoader);
      if (way == 2) DosageLoader().DosageAnalysis(f, prefix, markerLoader);
      if (way == 3) {
         DosageParser parser(markers, 2, s.sum.data(), s.sumsq.data(), s.count.data());
         for (size_t at = 0, piece; at < text.size(); at += piece) {
            piece = std::min<size_t>(1 + rng() % (rng() % 2 ? 8 : 300), text.size() - at);
            parser.Feed(text.data() + at, piece);
         }
         parser.Finish();
      }
      ifclose(f);
      std::string out = capture.Finish();
      if (way == 0 || way == 3) return out + r2hatoracle::Report(names, nullptr, s);
      // The loader's closing notice goes; its report comes in its place.
      return out.substr(0, out.rfind("Wrote out")) + testsupport::ReadFile(dir.File("out.r2_hat"));
   }
};

// Rounds 0 and 1 are large files that cross the reader's blocks inside lines
// and fields.
TEST(DosageDifferential, BlockReaderMatchesPlainLoopOnRandomFiles) {
   std::mt19937 rng(20261206);
   for (int round = 0; round < 120; round++) {
      SCOPED_TRACE(testing::Message() << "round " << round);
      bool large = round < 2;
      Runner runner(large ? 3000 : static_cast<int>(rng() % 9));
      std::string text = RandomDosages(rng, static_cast<int>(runner.names.size()),
                                       large ? 700 : static_cast<int>(rng() % 60), round % 10 == 9);
      bool gzip = large ? round == 1 : rng() % 2;
      std::string file = runner.dir.Write("dose", gzip ? GzipMembers(rng, text) : text);
      std::string plain = runner.Output(0, file, text, rng);
      for (int way = 1; way <= 3; way++)
         EXPECT_EQ(runner.Output(way, file, text, rng), plain) << "way " << way;
   }
}

}  // namespace
