// Writes a synthetic report of r2_hat in the info layout, deterministic for a
// given size: rare and common variants on a log scale of MAF, quality falling
// with frequency, monomorphic markers, markers of one individual, nan and
// values above 1, as imputation runs give them.
// Usage: make_report ROWS FILE
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "quality/ReportRows.h"

namespace {

uint64_t state = 0x9e3779b97f4a7c15u;

double Uniform() {
   state ^= state << 13;
   state ^= state >> 7;
   state ^= state << 17;
   return (state >> 11) * (1.0 / 9007199254740992.0);
}

}  // namespace

int main(int argc, char** argv) {
   if (argc != 3) {
      fprintf(stderr, "usage: make_report ROWS FILE\n");
      return 2;
   }
   long long rows = atoll(argv[1]);
   FILE* out = fopen(argv[2], "w");
   if (out == nullptr) {
      perror(argv[2]);
      return 1;
   }
   static char buffer[1 << 20];
   setvbuf(out, buffer, _IOFBF, sizeof buffer);
   fputs(kInfoReportHeader, out);
   for (long long i = 0; i < rows; i++) {
      double u = Uniform();
      fprintf(out, "rs%lld\tA\tG\t", i + 1);
      if (u < 0.02) {
         fputs("-\t-\t1\t-\n", out);
      } else if (u < 0.07) {
         fputs("1.000\t0.000\t500\t-\n", out);
      } else if (u < 0.075) {
         fputs("nan\tnan\t500\tnan\n", out);
      } else {
         double maf = 0.5 * exp(-8 * Uniform());
         double r2 = 1.2 * pow(Uniform(), maf < 0.01 ? 2.0 : 0.5);
         fprintf(out, "%.3f\t%.3f\t500\t%.3f\n", 1 - maf, maf, r2);
      }
   }
   return fclose(out) == 0 ? 0 : 1;
}
