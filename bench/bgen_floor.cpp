// The floor of reading a BGEN file on one thread: every variant block read
// and its genotype data decompressed with the library r2_hat_bgen uses,
// nothing converted.
// Usage: bgen_floor FILE.bgen
#include <cstdio>
#include <string>

#include "BgenFile.h"
#include "Genotypes.h"

int main(int argc, char** argv) {
   if (argc != 2) {
      fprintf(stderr, "Usage: bgen_floor FILE.bgen\n");
      return 2;
   }
   BgenFile bgen(argv[1]);
   GenotypeConverter converter(bgen.Header(), {});
   RawVariant variant;
   std::string reason;
   unsigned long long variants = 0;
   while (bgen.Next(variant)) {
      if (!converter.Decompress(variant, reason)) {
         fprintf(stderr, "bgen_floor: %s\n", reason.c_str());
         return 1;
      }
      variants++;
   }
   printf("%llu variants\n", variants);
   return 0;
}
