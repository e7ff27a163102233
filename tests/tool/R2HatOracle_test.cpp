// The tool's loaders on random SNP lists, info files and dosage files (any line
// ends, plain or gzip), their report and notices compared byte for byte with
// the first-principles oracle.
#include <cctype>
#include <random>
#include <string>
#include <vector>

#include "base/StringBasics.h"
#include "tests/support/TestSupport.h"
#include "tests/tool/R2HatOracle.h"
#include "tests/tool/RandomDosages.h"
#include "tool/DosageLoader.h"
#include "tool/MarkerLoader.h"

namespace {

using namespace randomdosages;

TEST(R2HatOracle, RandomInputsMatchFirstPrinciples) {
   testsupport::TempDir dir;
   std::mt19937 rng(1);
   for (int round = 0; round < 200; round++) {
      SCOPED_TRACE(testing::Message() << "round " << round);
      int markers = static_cast<int>(rng() % 10);
      bool withInfo = rng() % 2;
      String::caseSensitive = rng() % 4 != 0;
      std::vector<std::string> names, alleles;
      std::string snps, info = "SNP Al1 Al2 Freq1" + LineEnd(rng);
      for (int m = 0; m < markers; m++) {
         names.push_back("rs" + std::to_string(round) + "x" + std::to_string(m));
         alleles.push_back(Pick(rng, {"A", "C", "GT"}));
         alleles.push_back(Pick(rng, {"G", "T", "AC"}));
         snps += names[m] + (rng() % 4 ? "" : " 1 2") + LineEnd(rng) + (rng() % 5 ? "" : "\n");
         std::string infoName = names[m];
         if (!String::caseSensitive)
            for (char& c : infoName) c = static_cast<char>(toupper(c));
         info += infoName + Separators(rng) + alleles[2 * m] + Separators(rng) +
                 alleles[2 * m + 1] + (rng() % 2 ? " 0.5" : "") + LineEnd(rng) +
                 (rng() % 5 ? "" : " \n");
      }
      std::string dosages = RandomDosages(rng, markers, static_cast<int>(rng() % 40), false);
      std::string snpFile = dir.Write("snps", snps);
      std::string infoFile = rng() % 2 ? dir.WriteGzip("info.gz", info) : dir.Write("info", info);
      std::string doseFile = dir.Write("dose", rng() % 2 ? GzipMembers(rng, dosages) : dosages);
      std::string prefix = dir.File(withInfo ? "out" : "plain");
      const char* suffix = withInfo ? ".info" : ".r2_hat";

      testsupport::ResetLineEndMemory();
      testsupport::StdoutCapture capture;
      {
         MarkerLoader markerLoader;
         DosageLoader loader;
         String reportPrefix(prefix.c_str());
         markerLoader.LoadMarkers(snpFile.c_str());
         if (withInfo) {
            markerLoader.hasInfoFile = true;
            markerLoader.LoadAlleles(infoFile.c_str());
         }
         loader.DosageAnalysis(doseFile.c_str(), reportPrefix, markerLoader);
      }
      std::string printed = capture.Finish();
      String::caseSensitive = true;

      int last = 0;
      if (withInfo) r2hatoracle::Lines(info, last);
      r2hatoracle::Sums sums(names.size());
      std::string notices = r2hatoracle::Accumulate(dosages, 2, last, sums);
      EXPECT_EQ(printed, "Read in " + std::to_string(markers) +
                             " markers from marker info file\n\n" + notices +
                             "Wrote out quality measure r2_hat to file [" + prefix + suffix +
                             "] ...\n\n");
      EXPECT_EQ(testsupport::ReadFile(prefix + suffix),
                r2hatoracle::Report(names, withInfo ? &alleles : nullptr, sums));
   }
}

}  // namespace
