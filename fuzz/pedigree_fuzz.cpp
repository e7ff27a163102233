// What ped_qc reads and checks: a data file and a pedigree file from one
// input, loaded as the library reads them, then the twin check and the
// Mendelian inheritance check of every marker.
//
// Input layout: one flag byte (bit 0: X-linked markers), then the data file
// and the pedigree file, separated by the byte 0x1e (record separator).
//
// Properties beyond "no crash": in a pedigree without twins, the check
// reports a family at a marker exactly when rerunning that family alone
// (Pedigree::CheckFamilyMarker) on the genotypes as read finds it
// inconsistent; a report names persons of its own family.
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "io/InputFile.h"
#include "pedigree/Pedigree.h"
#include "tests/support/Support.h"

namespace {

class Reports : public CheckObserver {
public:
   explicit Reports(Pedigree& ped) : ped(ped) {}
   void Report(const CheckReport& report) override {
      Family& family = *ped.families[report.family];
      for (int i = 0; i < report.named.Length(); i++)
         LOCI_FUZZ_CHECK(report.named[i] >= family.first && report.named[i] <= family.last);
      pairs.insert({report.family, report.marker});
   }
   Pedigree& ped;
   std::set<std::pair<int, int>> pairs;
};

void Run(const uint8_t* data, size_t size) {
   if (size == 0) return;
   std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
   size_t cut = rest.find('\x1e');
   std::string dataText = rest.substr(0, cut);
   std::string pedText = cut == std::string::npos ? "" : rest.substr(cut + 1);
   PedigreeGlobals::chromosomeX = (data[0] & 1) != 0;
   testsupport::ResetLineEndMemory();

   testsupport::TempDir& dir = testsupport::FuzzScratch();
   // Opened and closed here: a fatal error unwinds past the readers.
   IFILE dataFile = ifopen(dir.Write("data", dataText).c_str(), "rb");
   IFILE pedFile = ifopen(dir.Write("ped", pedText).c_str(), "rb");
   try {
      Pedigree ped;
      ped.Prepare(dataFile);
      ped.Load(pedFile);
      std::set<std::pair<int, int>> inconsistent;
      for (int f = 0; f < ped.familyCount; f++)
         for (int m = 0; m < PedigreeGlobals::markerCount; m++)
            if (!ped.CheckFamilyMarker(f, m)) inconsistent.insert({f, m});
      Reports reports(ped);
      ped.observer = &reports;
      ped.InheritanceCheck(false);
      LOCI_FUZZ_CHECK(ped.haveTwins || reports.pairs == inconsistent);
   } catch (const testsupport::Fatal&) {
   }
   ifclose(dataFile);
   ifclose(pedFile);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
   Run(data, size);
   return 0;
}
