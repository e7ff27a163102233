// Writes a deterministic synthetic imputation run for the benchmarks:
//   make_dosages INDIVIDUALS MARKERS PREFIX
// gives PREFIX.snps (one marker name per line) and PREFIX.dose (one line per
// individual: two ID fields, then one three-decimal dosage per marker).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
   if (argc != 4) {
      fprintf(stderr, "usage: make_dosages INDIVIDUALS MARKERS PREFIX\n");
      return 2;
   }
   long individuals = atol(argv[1]);
   long markers = atol(argv[2]);
   std::string prefix = argv[3];

   FILE* snps = fopen((prefix + ".snps").c_str(), "w");
   FILE* dose = fopen((prefix + ".dose").c_str(), "w");
   if (snps == nullptr || dose == nullptr) {
      perror(prefix.c_str());
      return 1;
   }
   for (long m = 0; m < markers; m++) fprintf(snps, "rs%ld\n", 1000000 + m * 7);

   // Each marker gets an allele frequency; dosages scatter around a genotype
   // drawn from it, like an imputation of middling quality.
   uint64_t state = 88172645463325252ull;
   auto next = [&state] {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      return state;
   };
   std::vector<unsigned> freq(markers);
   for (long m = 0; m < markers; m++) freq[m] = static_cast<unsigned>(next() % 1000);

   std::string line;
   char field[16];
   for (long i = 0; i < individuals; i++) {
      line = "FAM" + std::to_string(i + 1) + " IND" + std::to_string(i + 1);
      for (long m = 0; m < markers; m++) {
         uint64_t r = next();
         unsigned genotype = ((r & 1023) < freq[m]) + (((r >> 10) & 1023) < freq[m]);
         int thousandths =
             static_cast<int>(genotype * 1000) + static_cast<int>((r >> 20) % 401) - 200;
         if (thousandths < 0) thousandths = 0;
         if (thousandths > 2000) thousandths = 2000;
         snprintf(field, sizeof field, " %d.%03d", thousandths / 1000, thousandths % 1000);
         line += field;
      }
      line += '\n';
      fwrite(line.data(), 1, line.size(), dose);
   }
   fclose(snps);
   if (fclose(dose) != 0) {
      perror(prefix.c_str());
      return 1;
   }
   return 0;
}
