#include "Report.h"

#include <cinttypes>
#include <cmath>

const char kReportHeader[] = "SNP\tAl1\tAl2\tFreq1\tMAF\tnIndiv\tr2_hat\n";
const char kSumsHeader[] = "#r2_hat_vcf sums version 1\n#CHROM\tPOS\tID\tREF\tALT\tn\tsum\tsumsq\n";

namespace {

// The sign of a not-a-number means nothing, and where NaNs of both signs meet
// in a sum the compiler's choice of operand order decides it: every NaN is
// written as "nan", so the report does not change from one build to another.
double SignlessNan(double x) {
   return std::isnan(x) ? std::fabs(x) : x;
}

// Text columns are written by length, whatever it is: an allele may be
// longer than printf's int precision can say.
void Put(FILE* out, std::string_view text) {
   fwrite(text.data(), 1, text.size(), out);
}

}  // namespace

void WriteReportRow(FILE* report, const MarkerRow& row) {
   if (row.id != ".") {
      Put(report, row.id);
   } else {
      Put(report, row.chrom);
      fprintf(report, ":%" PRId64 ":", row.pos);
      Put(report, row.ref);
      fputc(':', report);
      Put(report, row.alt);
   }
   fputc('\t', report);
   Put(report, row.ref);
   fputc('\t', report);
   Put(report, row.alt);
   int64_t count = row.sums.n;
   double sum = row.sums.sum, sumsq = row.sums.sumsq;

   if (count <= 1) {
      fprintf(report, "\t-\t-\t%" PRId64 "\t-\n", count);
      return;
   }
   double p = (sum / 2.0) / count;
   double q = 1.0 - p;
   double var = (sumsq - (sum * sum) / count) / (count - 1);
   double maf = q > p ? p : q;
   q = SignlessNan(q);
   maf = SignlessNan(maf);
   if (p == 0.0 || p == 1.0) {
      fprintf(report, "\t%.3f\t%.3f\t%" PRId64 "\t-\n", q, maf, count);
      return;
   }
   double r2hat = SignlessNan(((var / 2.0) / p) / q);
   fprintf(report, "\t%.3f\t%.3f\t%" PRId64 "\t%.3f\n", q, maf, count, r2hat);
}

void WriteSumsRow(FILE* sums, const MarkerRow& row) {
   Put(sums, row.chrom);
   fprintf(sums, "\t%" PRId64 "\t", row.pos);
   Put(sums, row.id);
   fputc('\t', sums);
   Put(sums, row.ref);
   fputc('\t', sums);
   Put(sums, row.alt);
   fprintf(sums, "\t%" PRId64 "\t%.17g\t%.17g\n", row.sums.n, row.sums.sum, row.sums.sumsq);
}
