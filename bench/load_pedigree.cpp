// Loads a pedigree and reports its size, the time taken and the peak memory:
//   load_pedigree DATAFILE PEDFILE
#include <sys/resource.h>

#include <chrono>
#include <cstdio>

#include "pedigree/Pedigree.h"

int main(int argc, char** argv) {
   if (argc != 3) {
      fprintf(stderr, "usage: load_pedigree DATAFILE PEDFILE\n");
      return 2;
   }
   auto start = std::chrono::steady_clock::now();
   Pedigree ped;
   ped.Prepare(argv[1]);
   ped.Load(argv[2]);
   double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
   rusage usage{};
   getrusage(RUSAGE_SELF, &usage);
   printf("%d persons, %d families, %d markers: loaded in %.1f s, peak memory %.1f MiB\n",
          ped.count, ped.familyCount, Pedigree::markerCount, seconds, usage.ru_maxrss / 1024.0);
   return 0;
}
