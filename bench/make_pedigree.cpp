// Writes a deterministic synthetic pedigree for the benchmarks:
//   make_pedigree PERSONS MARKERS PREFIX
// gives PREFIX.dat (one "M name" line per marker, then a trait) and PREFIX.ped:
// families of two founders and eight children, genotypes "a/b" with alleles
// 1 to 4 (about 2% missing), and one trait value per person.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
   if (argc != 4) {
      fprintf(stderr, "usage: make_pedigree PERSONS MARKERS PREFIX\n");
      return 2;
   }
   long persons = atol(argv[1]);
   long markers = atol(argv[2]);
   std::string prefix = argv[3];
   FILE* dat = fopen((prefix + ".dat").c_str(), "w");
   FILE* ped = fopen((prefix + ".ped").c_str(), "w");
   if (dat == nullptr || ped == nullptr) {
      perror(prefix.c_str());
      return 1;
   }
   for (long m = 0; m < markers; m++) fprintf(dat, "M rs%ld\n", 1000000 + m * 7);
   fprintf(dat, "T height\n");
   fclose(dat);

   uint64_t state = 88172645463325252ull;
   auto next = [&state] {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      return state;
   };
   std::string line;
   for (long p = 0; p < persons; p++) {
      long family = p / 10 + 1, member = p % 10 + 1;
      char head[96];
      if (member <= 2)
         snprintf(head, sizeof head, "F%ld P%ld 0 0 %ld", family, member, member);
      else
         snprintf(head, sizeof head, "F%ld P%ld P1 P2 %ld", family, member, member % 2 + 1);
      line = head;
      for (long m = 0; m < markers; m++) {
         uint64_t r = next();
         if (r % 50 == 0) {
            line += " 0/0";
         } else {
            line += ' ';
            line += static_cast<char>('1' + (r >> 8) % 4);
            line += '/';
            line += static_cast<char>('1' + (r >> 16) % 4);
         }
      }
      char trait[32];
      snprintf(trait, sizeof trait, " %.2f\n", 150 + (next() % 5000) / 100.0);
      line += trait;
      fputs(line.c_str(), ped);
   }
   fclose(ped);
   return 0;
}
