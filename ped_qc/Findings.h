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
#include <functional>
#include <map>
#include <set>
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

   // Saves what the checks may change at markers first .. end - 1 (every
   // marker when end is -1); call before them.
   void SaveGenotypes(int first = 0, int end = -1);
   // The same for one family at one marker.
   void SaveFamilyGenotypes(int family, int marker);

   void Report(const CheckReport& report) override;
   void MarkerChecked(int marker) override;

   // Searches the pairs of markers first .. end - 1 (every marker when end is
   // -1), under the rules the checks used for them. Where `known` is given
   // and fills a pair's culprits (family, marker, culprits), its answer is
   // taken instead: the same persons, found faster.
   using KnownCulprits = std::function<bool(int family, int marker, std::vector<int>& culprits)>;
   void FindCulprits(int first = 0, int end = -1, const KnownCulprits& known = nullptr);
   // Puts the saved genotypes back and removes each culprit that is alone
   // in its family and marker; returns how many were removed.
   int BlankCulprits();

   // One row per family and marker held, in marker order (the header first
   // on the first call); they are then counted into `totals` and forgotten,
   // with the saved genotypes. A fileset checked block by block flushes each
   // block.
   void Flush(FILE* mendel);

   struct Totals {
      long long pairs = 0, markers = 0;
      long long single = 0, several = 0, none = 0;  // among the pairs searched
      std::set<int> families;
   };
   Totals totals;
   // Marker IDs are markers of the run counted from markerBase (a fileset's
   // block start less its first slot); the progress counts to markerTotal.
   long long markerBase = 0;
   long long markerTotal;

   // Set while the twin check runs.
   bool checkingTwins = false;
   // Keyed by marker, then family.
   std::map<std::pair<int, int>, Pair> pairs;
   int reports = 0;
   int twinReports = 0;  // MZ twins of different sexes or genotypes
   int unsearched = 0;   // families and markers too large for the search

private:
   void SavePerson(int person, int first, int end);
   void WriteMendel(FILE* output) const;
   Alleles Original(int person, int marker) const;
   bool ConsistentWithout(int family, int marker, const std::vector<Alleles>& original, int left);

   Pedigree& ped;
   ProgressLine& progress;
   std::unordered_map<long long, Alleles> saved;  // by person * markers + marker
   bool headerWritten = false;
};

#endif
