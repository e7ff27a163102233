// The reports of the twin and inheritance checks, gathered per family and
// marker, and the search for their culprits: the typed persons whose
// genotype alone, left out, makes the family consistent at that marker.
//
// The checks change genotypes as they go (MZ twins come to share one
// genotype, X-linked males typed with two alleles lose theirs), so the
// genotypes they may change are saved first: culprits are sought in the data
// as read, and the blanked files are written from it.
#ifndef PED_QC_FINDINGS_H
#define PED_QC_FINDINGS_H

#include <cstdio>
#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "pedigree/Pedigree.h"
#include "program/Progress.h"

class Findings : public CheckObserver {
public:
   // One family at one marker.
   struct Pair {
      std::vector<std::string> reports;
      std::vector<int> named;         // pedigree indices, in the order first named
      std::unordered_set<int> known;  // the same, to find them
      std::vector<int> culprits;      // pedigree indices
      bool searched = true;
   };

   // The search reruns the family's check once per typed member, each rerun
   // costing about the family's size: beyond this product a family and
   // marker is left unsearched, so that one huge family cannot stall the run.
   static constexpr long long kMostSearchWork = 20000000;

   Findings(Pedigree& ped, ProgressLine& progress);

   // Saves what the checks may change; call before them.
   void SaveGenotypes();

   void Report(const CheckReport& report) override;
   void MarkerChecked(int marker) override;

   void FindCulprits();
   // Puts the saved genotypes back and removes each culprit that is alone
   // in its family and marker; returns how many were removed.
   int BlankCulprits();

   // Header and one row per family and marker, in marker order.
   void WriteMendel(FILE* output) const;

   // Set while the twin check runs.
   bool checkingTwins = false;
   // Keyed by marker, then family.
   std::map<std::pair<int, int>, Pair> pairs;
   int reports = 0;
   int twinReports = 0;  // MZ twins of different sexes or genotypes
   int unsearched = 0;   // families and markers too large for the search

private:
   Alleles Original(int person, int marker) const;
   bool ConsistentWithout(int family, int marker, const std::vector<Alleles>& original, int left);

   Pedigree& ped;
   ProgressLine& progress;
   std::unordered_map<long long, Alleles> saved;  // by person * markers + marker
};

#endif
