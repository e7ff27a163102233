// What ped_qc reads and checks: a data file and a pedigree file, loaded as the
// library reads them, then the twin check and the Mendelian inheritance check
// of every marker.
//
// Input (see PedigreeFuzz.h): flag bit 0: X-linked markers; bit 1: the
// pedigree file is read in the MENDEL layout whatever the data file's layout;
// then the data file and the pedigree file.
//
// Properties beyond "no crash": every family's order is that of passes over
// its waiting members, each placing those whose parents are both placed
// (and with one its MZ twins at once); in a pedigree without twins, the check
// reports a family at a marker exactly when rerunning that family alone
// (Pedigree::CheckFamilyMarker) on the genotypes as read finds it
// inconsistent; a report names persons of its own family.
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/PedigreeFuzz.h"
#include "pedigree/Pedigree.h"

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

// The family order as the passes build it, one pass per generation.
std::vector<int> OrderByPasses(Pedigree& ped, Family& family) {
   std::vector<int> order;
   std::vector<bool> placed(ped.count);
   for (int i = family.first; i <= family.last; i++)
      if (!ped.persons[i]->hasBothParents) order.push_back(i), placed[i] = true;
   for (size_t before = 0; before != order.size();) {
      before = order.size();
      for (int i = family.first; i <= family.last; i++) {
         Person& p = *ped.persons[i];
         if (placed[i] || !placed[p.father->serial] || !placed[p.mother->serial]) continue;
         order.push_back(i), placed[i] = true;
         for (int s = 0; s < p.sibCount && p.zygosity % 2 != 0; s++)
            if (!placed[p.sibs[s]->serial] && p.sibs[s]->zygosity == p.zygosity)
               order.push_back(p.sibs[s]->serial), placed[p.sibs[s]->serial] = true;
      }
   }
   return order;
}

void Check(uint8_t flags, std::vector<IFILE>& inputs, const std::vector<std::string>&) {
   PedigreeGlobals::chromosomeX = (flags & 1) != 0;
   Pedigree ped;
   ped.Prepare(inputs[0]);
   if (flags & 2)
      ped.LoadMendel(inputs[1]);
   else
      ped.Load(inputs[1]);
   for (int f = 0; f < ped.familyCount; f++) {
      Family& family = *ped.families[f];
      LOCI_FUZZ_CHECK(OrderByPasses(ped, family) ==
                      std::vector<int>(family.path, family.path + family.count));
   }
   std::set<std::pair<int, int>> inconsistent;
   for (int f = 0; f < ped.familyCount; f++)
      for (int m = 0; m < PedigreeGlobals::markerCount; m++)
         if (!ped.CheckFamilyMarker(f, m)) inconsistent.insert({f, m});
   Reports reports(ped);
   ped.observer = &reports;
   ped.InheritanceCheck(false);
   LOCI_FUZZ_CHECK(ped.haveTwins || reports.pairs == inconsistent);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
   pedfuzz::Run(data, size, 2, Check);
   return 0;
}
