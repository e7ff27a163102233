#include "Summary.h"

#include <cstdio>
#include <vector>

namespace {

int NameWidth() {
   int width = 12;
   for (StringArray* names : {&PedigreeGlobals::markerNames, &PedigreeGlobals::traitNames,
                              &PedigreeGlobals::affectionNames, &PedigreeGlobals::covariateNames})
      for (int i = 0; i < names->Length(); i++)
         if ((*names)[i].Length() > width) width = (*names)[i].Length();
   return width;
}

void PrintMarkers(Pedigree& ped, int width) {
   int markers = PedigreeGlobals::markerCount;
   printf("\nMarkers: %d\n", markers);
   if (markers == 0) return;
   std::vector<int> typed(markers);
   // One flag per possible allele of every marker, filled person by person.
   std::vector<unsigned char> seen(static_cast<size_t>(markers) * 256);
   for (int i = 0; i < ped.count; i++) {
      const Alleles* genotypes = ped.persons[i]->markers;
      for (int m = 0; m < markers; m++) {
         if (!genotypes[m].isKnown()) continue;
         typed[m]++;
         seen[static_cast<size_t>(m) * 256 + genotypes[m].one] = 1;
         seen[static_cast<size_t>(m) * 256 + genotypes[m].two] = 1;
      }
   }
   printf("   %-*s %10s %13s\n", width, "", "genotyped", "alleles seen");
   for (int m = 0; m < markers; m++) {
      int alleles = 0;
      for (int a = 1; a < 256; a++) alleles += seen[static_cast<size_t>(m) * 256 + a];
      printf("   %-*s %10d %13d\n", width, (const char*)PedigreeGlobals::markerNames[m], typed[m],
             alleles);
   }
}

// Traits, affections or covariates: the persons with a value of each.
template <typename HasValue>
void PrintItems(Pedigree& ped, const char* kind, StringArray& names, int width, HasValue hasValue) {
   printf("\n%s: %d\n", kind, names.Length());
   if (names.Length() == 0) return;
   printf("   %-*s %13s\n", width, "", "with a value");
   for (int k = 0; k < names.Length(); k++) {
      int persons = 0;
      for (int i = 0; i < ped.count; i++) persons += hasValue(*ped.persons[i], k);
      printf("   %-*s %13d\n", width, (const char*)names[k], persons);
   }
}

}  // namespace

int CountTwinPairs(Pedigree& ped) {
   int pairs = 0;
   for (int f = 0; f < ped.familyCount; f++) pairs += ped.families[f]->mzTwins;
   return pairs;
}

void PrintSummary(Pedigree& ped) {
   PrintPedigreeSummary(ped);
   int width = NameWidth();
   PrintMarkers(ped, width);
   PrintItems(ped, "Traits", PedigreeGlobals::traitNames, width,
              [](Person& p, int k) { return p.traits[k] != MISSING_VALUE; });
   PrintItems(ped, "Affections", PedigreeGlobals::affectionNames, width,
              [](Person& p, int k) { return p.affections[k] != 0; });
   PrintItems(ped, "Covariates", PedigreeGlobals::covariateNames, width,
              [](Person& p, int k) { return p.covariates[k] != MISSING_VALUE; });
}

void PrintPedigreeSummary(Pedigree& ped) {
   int founders = 0, males = 0, females = 0;
   for (int i = 0; i < ped.count; i++) {
      Person& p = *ped.persons[i];
      p.MatchRegistry();
      founders += !p.hasBothParents;
      males += p.sex == SEX_MALE;
      females += p.sex == SEX_FEMALE;
   }
   int generations[4] = {0, 0, 0, 0};
   for (int f = 0; f < ped.familyCount; f++) generations[ped.families[f]->generations]++;

   printf("\nPedigree\n");
   printf("   Persons       : %d (%d founders, %d non-founders)\n", ped.count, founders,
          ped.count - founders);
   printf("   Sexes         : %d males, %d females, %d of unknown sex\n", males, females,
          ped.count - males - females);
   printf("   Families      : %d (generations: %d of one, %d of two, %d of three or more)\n",
          ped.familyCount, generations[1], generations[2], generations[3]);
   printf("   MZ twin pairs : %d\n", CountTwinPairs(ped));
}
