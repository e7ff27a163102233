#include "pedigree/PedigreeAlleleFreq.h"

#include <cstdio>

#include "base/QuickIndex.h"
#include "io/Error.h"
#include "pedigree/Pedigree.h"

int CountAlleles(Pedigree&, int marker) {
   MarkerInfo* info = PedigreeGlobals::GetMarkerInfo(marker);
   int labels = info->alleleLabels.Length();
   return labels ? labels - 1 : 0;
}

int Pedigree::CountAlleles(int marker) {
   return ::CountAlleles(*this, marker);
}

bool EstimateFrequencies(Pedigree& ped, int marker, int estimator) {
   int n = CountAlleles(ped, marker);
   // Alleles beyond the labelled ones still count (and are then rejected).
   for (int i = 0; i < ped.count; i++) {
      const Alleles& g = ped.persons[i]->markers[marker];
      if (g.one > n) n = g.one;
      if (g.two > n) n = g.two;
   }
   IntArray all(n + 1), founder(n + 1);
   all.Zero();
   founder.Zero();
   for (int i = 0; i < ped.count; i++) {
      Person& p = *ped.persons[i];
      const Alleles& g = p.markers[marker];
      bool hemizygous = p.sex == SEX_MALE && PedigreeGlobals::chromosomeX;
      if (!hemizygous) all[g.one]++;
      all[g.two]++;
      if (p.hasBothParents) continue;
      if (!hemizygous) founder[g.one]++;
      founder[g.two]++;
   }

   MarkerInfo* info = PedigreeGlobals::GetMarkerInfo(marker);
   Vector& freq = info->freq;
   if (freq.Length() > 0) {
      if (n >= freq.Length())
         error(
             "For marker %s, input files define %d alleles, but at least\n"
             "one other allele (named '%s') occurs in the pedigree\n",
             (const char*)info->name, freq.Length() - 1, (const char*)info->GetAlleleLabel(n));
      for (int a = 1; a <= n; a++)
         if (all[a] > 0 && freq[a] <= 0)
            error(
                "Although allele %s for marker %s has frequency zero,\n"
                "it occurs %d times in the pedigree",
                (const char*)info->GetAlleleLabel(a), (const char*)info->name, all[a]);
      return false;
   }

   if (n < 1) {
      freq.Dimension(3);
      freq[0] = 0;
      freq[1] = 0.99999;
      freq[2] = 1e-5;
      return true;
   }
   freq.Dimension(n + 1);
   for (int a = 0; a <= n; a++) freq[a] = 0;
   if (estimator == FREQ_FOUNDERS) {
      if (founder.Sum(1, n) > 0) {
         for (int a = 1; a <= n; a++)
            if (founder[a] == 0 && all[a] >= 1) founder[a] = 1;
         double scale = 1.0 / founder.Sum(1, n);
         for (int a = 1; a <= n; a++) freq[a] = founder[a] * scale;
         return true;
      }
      estimator = FREQ_ALL;
   }
   if (estimator == FREQ_ALL) {
      double scale = 1.0 / all.Sum(1, n);
      for (int a = 1; a <= n; a++) freq[a] = all[a] * scale;
   } else if (estimator == FREQ_EQUAL) {
      int k = 0;
      for (int a = 1; a <= n; a++) k += all[a] > 0;
      for (int a = 1; a <= n; a++) freq[a] = all[a] > 0 ? 1.0 / k : 0;
   }
   return true;
}

void Pedigree::EstimateFrequencies(int estimator, bool quiet) {
   static const char* names[] = {"using all genotypes", "using founder genotypes", "assumed equal"};
   const char* name = estimator >= 0 && estimator <= 2 ? names[estimator] : "";
   int changed = 0, column = 3;
   int step = markerCount / 50;
   for (int m = 0; m < markerCount; m++) {
      if (!::EstimateFrequencies(*this, m, estimator) || quiet) continue;
      if (changed == 0) printf("Estimating allele frequencies... [%s]\n   ", name);
      if (markerCount > 100) {
         if (changed % step == 0) {
            printf(".");
            fflush(stdout);
         }
      } else {
         int length = markerNames[m].Length();
         if (column + length > 78) {
            printf("\n   ");
            column = 3;
         }
         printf("%s ", (const char*)markerNames[m]);
         column += length + 1;
      }
      changed++;
   }
   if (changed == 0) return;
   if (markerCount > 100)
      printf("\nDone estimating frequencies for %d markers\n\n", changed);
   else
      printf("\n\n");
}

void LumpAlleles(Pedigree& ped, int marker, double threshold, bool byFrequency) {
   int n = ped.CountAlleles(marker);
   if (n < 2) return;
   MarkerInfo* info = PedigreeGlobals::GetMarkerInfo(marker);
   if (n < info->freq.Length()) n = info->freq.Length() - 1;
   for (int i = 0; i < ped.count; i++) {
      const Alleles& g = ped.persons[i]->markers[marker];
      if (g.Hi() > n) n = g.Hi();
   }

   IntArray counts(n + 1);
   counts.Zero();
   for (int i = 0; i < ped.count; i++) {
      const Alleles& g = ped.persons[i]->markers[marker];
      counts[g.one]++;
      counts[g.two]++;
   }
   int total = counts.Sum(1, n);
   int limit = static_cast<int>(total * threshold);
   if (limit == 0 && info->freq.Length() > 1)
      for (int a = 1; a < info->freq.Length(); a++)
         if (counts[a] == 0 && info->freq[a] > 0) {
            counts[a] = 1;
            total++;
         }
   if (!byFrequency) {
      QuickIndex labelOrder;
      labelOrder.Index(info->alleleLabels);
      labelOrder.Reverse();
      for (int p = 0; p < labelOrder.Length(); p++) counts[labelOrder[p]] = p + 1;
      total = counts.Sum(1, n);
   }
   counts[0] = total + 1;
   // The missing allele always stays 0, however large the threshold.
   if (limit >= counts[0]) limit = counts[0] - 1;

   QuickIndex order;
   order.Index(counts);
   order.Reverse();

   IntArray renumber(n + 1);
   int K = 0;
   bool lumped = false;
   for (int k = 0; k <= n; k++) {
      int a = order[k];
      if (counts[a] > limit) {
         renumber[a] = k;
         K++;
      } else {
         renumber[a] = K;
         if (counts[a] > 0) lumped = true;
      }
   }
   for (int i = 0; i < ped.count; i++) {
      Alleles& g = ped.persons[i]->markers[marker];
      g.one = renumber[g.one];
      g.two = renumber[g.two];
   }

   StringArray oldLabels(info->alleleLabels);
   info->alleleLabels.Clear();
   info->alleleNumbers.Clear();
   for (int k = 0; k < K; k++) {
      String label;
      if (order[k] < oldLabels.Length() && !oldLabels[order[k]].IsEmpty())
         label = oldLabels[order[k]];
      else
         label = order[k];
      info->alleleLabels.Add(label);
      if (k >= 1) info->alleleNumbers.Add(label, k);
   }

   if (info->freq.Length() > 0) {
      Vector old(info->freq);
      info->freq.Dimension(K);
      info->freq[0] = 0;
      for (int k = 1; k < K; k++) info->freq[k] = order[k] < old.Length() ? old[order[k]] : 0;
      if (1.0 - info->freq.Sum() > 1e-10) lumped = true;
      if (lumped) info->freq.Push(1.0 - info->freq.Sum());
   }
   if (lumped) {
      info->alleleLabels.Add("OTHER");
      info->alleleNumbers.Add("OTHER", K);
   }
}

void Pedigree::LumpAlleles(double threshold, bool byFrequency) {
   if (threshold > 0) printf("Lumping alleles with frequencies of %.2f or less...\n\n", threshold);
   for (int m = 0; m < markerCount; m++) ::LumpAlleles(*this, m, threshold, byFrequency);
}
