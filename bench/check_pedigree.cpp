// Times the Mendelian inheritance check on a generated pedigree:
//   check_pedigree FAMILIES MARKERS ALLELES GRANDCHILDREN [x] [--write PREFIX]
// Each family has three generations: two founder couples, two children of
// each couple, and GRANDCHILDREN children of one child of each couple.
// Genotypes follow Mendel from random founders; half the founders and 5% of
// the others are untyped and one genotype in 2,000 is changed at random.
// Reports go to standard output; the wall and CPU time of the check go to
// standard error.
// --write saves the autosomal pedigree it checks, for timing other checkers on
// the same data: PREFIX.ped has family, person, father, mother, sex, phenotype
// 0, then two allele columns per marker (0 missing); PREFIX.map has
// chromosome 1, marker name, 0 and position, one line per marker.
#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "pedigree/Pedigree.h"

static void WriteTextPedigree(Pedigree& ped, int markers, const std::string& prefix) {
   FILE* map = fopen((prefix + ".map").c_str(), "w");
   FILE* out = fopen((prefix + ".ped").c_str(), "w");
   if (map == nullptr || out == nullptr) {
      fprintf(stderr, "check_pedigree: cannot write %s.ped and %s.map\n", prefix.c_str(),
              prefix.c_str());
      exit(1);
   }
   for (int m = 0; m < markers; m++) fprintf(map, "1\trs%d\t0\t%d\n", m, 1000 * (m + 1));
   std::string line;
   for (int i = 0; i < ped.count; i++) {
      Person& p = *ped.persons[i];
      line.assign(p.famid).append(" ").append(p.pid).append(" ").append(p.fatid);
      line.append(" ").append(p.motid).append(" ").append(std::to_string(p.sex)).append(" 0");
      for (int m = 0; m < markers; m++) {
         line.append(" ").append(std::to_string(p.markers[m].one));
         line.append(" ").append(std::to_string(p.markers[m].two));
      }
      line.append("\n");
      fwrite(line.data(), 1, line.size(), out);
   }
   if (fclose(map) != 0 || fclose(out) != 0) {
      fprintf(stderr, "check_pedigree: cannot write %s.ped and %s.map\n", prefix.c_str(),
              prefix.c_str());
      exit(1);
   }
}

int main(int argc, char** argv) {
   std::string writePrefix;
   bool xLinked = false, badUsage = argc < 5;
   for (int i = 5; i < argc && !badUsage; i++) {
      if (std::string(argv[i]) != "--write")
         xLinked = true;
      else if (i + 1 < argc)
         writePrefix = argv[++i];
      else
         badUsage = true;
   }
   if (badUsage || (xLinked && !writePrefix.empty())) {
      fprintf(stderr,
              "usage: check_pedigree FAMILIES MARKERS ALLELES GRANDCHILDREN [x] [--write PREFIX]\n"
              "       (--write only for autosomal markers)\n");
      return 2;
   }
   int families = atoi(argv[1]), markers = atoi(argv[2]), alleles = atoi(argv[3]);
   int grandchildren = atoi(argv[4]);
   PedigreeGlobals::chromosomeX = xLinked;
   for (int m = 0; m < markers; m++) {
      int id = PedigreeGlobals::GetMarkerID(("rs" + std::to_string(m)).c_str());
      MarkerInfo* info = PedigreeGlobals::GetMarkerInfo(id);
      for (int a = 1; a <= alleles; a++) info->NewAllele(std::to_string(a).c_str());
   }
   Pedigree ped;
   // Members: 0-3 founders, 4-5 children of 0x1, 6-7 of 2x3, then 4x6's.
   int size = 8 + grandchildren;
   auto father = [](int i) { return i < 4 ? -1 : i < 6 ? 0 : i < 8 ? 2 : 4; };
   auto sexOf = [](int i) {
      return i < 4 ? 1 + i % 2 : i < 8 ? (i == 6 ? 2 : 1 + (i % 2)) : 1 + i % 2;
   };
   for (int f = 0; f < families; f++) {
      std::string famid = "F" + std::to_string(f);
      for (int i = 0; i < size; i++) {
         int fa = father(i);
         std::string pid = "p" + std::to_string(i);
         std::string fatid = fa < 0 ? "0" : "p" + std::to_string(fa);
         std::string motid = fa < 0 ? "0" : "p" + std::to_string(fa == 4 ? 6 : fa + 1);
         ped.AddPerson(famid.c_str(), pid.c_str(), fatid.c_str(), motid.c_str(), sexOf(i), true);
      }
   }
   ped.Sort();

   uint64_t state = 88172645463325252ull;
   auto next = [&state](int k) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      return static_cast<int>(state % k);
   };
   for (int f = 0; f < ped.familyCount; f++) {
      Family& family = *ped.families[f];
      for (int m = 0; m < markers; m++) {
         for (int k = 0; k < family.count; k++) {
            Person& p = *ped.persons[family.path[k]];
            Alleles& g = p.markers[m];
            bool hemizygous = xLinked && p.sex == 1;
            if (!p.hasBothParents) {
               g.one = 1 + next(alleles);
               g.two = hemizygous ? g.one : 1 + next(alleles);
            } else {
               const Alleles& mg = p.mother->markers[m];
               const Alleles& fg = p.father->markers[m];
               g.one = next(2) ? mg.one : mg.two;
               g.two = hemizygous ? g.one : xLinked ? fg.one : next(2) ? fg.one : fg.two;
            }
         }
         // Untype only after every child has inherited.
         for (int k = 0; k < family.count; k++) {
            Person& p = *ped.persons[family.path[k]];
            Alleles& g = p.markers[m];
            if (next(p.hasBothParents ? 20 : 2) == 0) g.one = g.two = 0;
            if (g.one && next(2000) == 0) g.one = 1 + next(alleles);
         }
      }
   }

   if (!writePrefix.empty()) WriteTextPedigree(ped, markers, writePrefix);

   // CPU time too: on a shared machine the wall time varies with the load.
   timespec cpuStart{}, cpuEnd{};
   clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuStart);
   auto start = std::chrono::steady_clock::now();
   bool consistent = ped.InheritanceCheck(false);
   double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
   clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuEnd);
   double cpu = (cpuEnd.tv_sec - cpuStart.tv_sec) + (cpuEnd.tv_nsec - cpuStart.tv_nsec) * 1e-9;
   rusage usage{};
   getrusage(RUSAGE_SELF, &usage);
   double cells = static_cast<double>(ped.familyCount) * markers;
   fprintf(stderr,
           "%d families of %d, %d markers, %d alleles%s: %s, %.2f s, %.3f us per family-marker, "
           "peak memory %.1f MiB; CPU %.2f s (%.3f us per family-marker)\n",
           ped.familyCount, size, markers, alleles, xLinked ? ", X-linked" : "",
           consistent ? "consistent" : "errors reported", seconds, seconds / cells * 1e6,
           usage.ru_maxrss / 1024.0, cpu, cpu / cells * 1e6);
   return 0;
}
