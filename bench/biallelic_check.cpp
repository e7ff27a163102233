// The two-allele check of a fileset alone, without the library's rules for
// the families it leaves unsure or any output: the time it takes, and how
// many family-markers it could not call consistent.
// Usage: biallelic_check PREFIX   (reads PREFIX.bed, .bim and .fam)
#include <chrono>
#include <cstdio>
#include <vector>

#include "pedigree/BiallelicCheck.h"
#include "pedigree/PlinkFileset.h"

int main(int argc, char** argv) {
   if (argc != 2) {
      fprintf(stderr, "Usage: biallelic_check PREFIX\n");
      return 2;
   }
   PlinkFileset fileset;
   fileset.Open(argv[1]);
   Pedigree ped;
   std::vector<Person*> personOf;
   fileset.BuildPedigree(ped, personOf);
   std::vector<int> columnOf(static_cast<size_t>(ped.count), -1);
   for (size_t i = 0; i < personOf.size(); i++)
      columnOf[static_cast<size_t>(personOf[i]->serial)] = static_cast<int>(i);
   BiallelicCheck check(ped, columnOf);

   using Clock = std::chrono::steady_clock;
   double checking = 0, reading = 0;
   long long unsure = 0, pairs = 0;
   Clock::time_point start = Clock::now();
   while (fileset.ReadBlock()) {
      Clock::time_point read = Clock::now();
      reading += std::chrono::duration<double>(read - start).count();
      fileset.NameBlock();
      // Runs of X markers and of the others, as ped_qc checks them.
      for (int first = 0, end; first < fileset.BlockSize(); first = end) {
         const bool x = fileset.BlockMarker(first).chromosome == PlinkChromosome::X;
         for (end = first + 1; end < fileset.BlockSize() &&
                               (fileset.BlockMarker(end).chromosome == PlinkChromosome::X) == x;
              end++) {
         }
         check.Check(fileset.BlockBytes() + static_cast<size_t>(first) * fileset.BytesPerMarker(),
                     fileset.BytesPerMarker(), end - first, x, fileset.UnknownAlleles() + first);
         unsure += check.UnsureCount();
      }
      start = Clock::now();
      checking += std::chrono::duration<double>(start - read).count();
      pairs += static_cast<long long>(ped.familyCount) * fileset.BlockSize();
   }
   printf(
       "two-allele check alone %.3f s (%.2f ns per family-marker), reading %.3f s; "
       "%lld of %lld family-markers left to the library's check\n",
       checking, pairs > 0 ? checking * 1e9 / static_cast<double>(pairs) : 0.0, reading, unsure,
       pairs);
   return 0;
}
