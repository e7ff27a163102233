// Reports on real files from imputation tools, compared byte for byte with
// reviewed golden reports in tests/data/expected/, and one check against the
// allele frequencies that the imputation program itself reported.
#include <sstream>
#include <string>

#include "base/StringBasics.h"
#include "tests/support/TestSupport.h"
#include "tests/tool/R2HatTestSupport.h"
#include "tool/DosageLoader.h"
#include "tool/MarkerLoader.h"

namespace {

const std::string kData = std::string(LOCI_SOURCE_DIR) + "/tests/data/";

struct RealCase {
   const char* snps;
   const char* dosages;
   const char* info;  // null: standard layout
   const char* expected;
};

std::string RunReal(const testsupport::TempDir& dir, const RealCase& c) {
   ResetLineEndMemory(dir);
   String prefix(dir.File("out").c_str());
   testsupport::StdoutCapture capture;
   MarkerLoader markers;
   DosageLoader loader;
   markers.LoadMarkers((kData + c.snps).c_str());
   if (c.info != nullptr) {
      markers.hasInfoFile = true;
      markers.LoadAlleles((kData + c.info).c_str());
   }
   loader.DosageAnalysis((kData + c.dosages).c_str(), prefix, markers);
   capture.Finish();
   return testsupport::ReadFile(dir.File(c.info != nullptr ? "out.info" : "out.r2_hat"));
}

TEST(R2HatRealData, ReportsMatchGoldenFiles) {
   const RealCase cases[] = {
       {"probabel/test.derived.snps", "probabel/test.dose.gz", "probabel/test.info.gz",
        "expected/probabel_test.info"},
       {"probabel/mmscore_gen.derived.snps", "probabel/mmscore_gen.dose", nullptr,
        "expected/probabel_mmscore_gen.r2_hat"},
       {"probabel/gtdata_test.derived.snps", "probabel/gtdata_test.dose",
        "probabel/gtdata_test.info", "expected/probabel_gtdata_test.info"},
       {"binarydosage/set1a.derived.snps", "binarydosage/set1a.derived.dose",
        "binarydosage/set1a.info", "expected/binarydosage_set1a.info"},
   };
   testsupport::TempDir dir;
   for (const RealCase& c : cases) {
      SCOPED_TRACE(c.dosages);
      std::string expected = testsupport::ReadFile(kData + c.expected);
      ASSERT_FALSE(expected.empty());
      EXPECT_EQ(RunReal(dir, c), expected);
   }
}

// The dosages of set1a come from the same study as its info file, whose
// ALT_Frq column is the mean dosage over two: Freq1 must be 1 - ALT_Frq and
// MAF the info file's MAF, to three decimals.
TEST(R2HatRealData, FrequenciesAgreeWithTheImputationProgram) {
   testsupport::TempDir dir;
   std::istringstream report(
       RunReal(dir, {"binarydosage/set1a.derived.snps", "binarydosage/set1a.derived.dose",
                     "binarydosage/set1a.info", nullptr}));
   std::istringstream info(testsupport::ReadFile(kData + "binarydosage/set1a.info"));
   std::string reportRow, infoRow;
   std::getline(report, reportRow);
   std::getline(info, infoRow);
   int rows = 0;
   while (std::getline(report, reportRow) && std::getline(info, infoRow)) {
      std::istringstream r(reportRow), i(infoRow);
      std::string name, al1, al2, freq1, maf, infoName, ref, alt, altFrq, infoMaf;
      r >> name >> al1 >> al2 >> freq1 >> maf;
      i >> infoName >> ref >> alt >> altFrq >> infoMaf;
      EXPECT_EQ(name, infoName);
      EXPECT_EQ(al1 + al2, ref + alt);
      EXPECT_NEAR(std::stod(freq1), 1 - std::stod(altFrq), 0.0005 + 1e-9) << name;
      EXPECT_NEAR(std::stod(maf), std::stod(infoMaf), 0.0005 + 1e-9) << name;
      rows++;
   }
   EXPECT_EQ(rows, 10);
}

}  // namespace
