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

int Length(std::string_view text) {
   return static_cast<int>(text.size());
}

}  // namespace

std::string MarkerName(const MarkerRow& row) {
   if (row.id != ".") return std::string(row.id);
   return std::string(row.chrom) + ":" + std::to_string(row.pos) + ":" + std::string(row.ref) +
          ":" + std::string(row.alt);
}

void WriteReportRow(FILE* report, const MarkerRow& row) {
   std::string name = MarkerName(row);
   fwrite(name.data(), 1, name.size(), report);
   const char* al1 = row.ref.data();
   const char* al2 = row.alt.data();
   int n1 = Length(row.ref), n2 = Length(row.alt);
   int64_t count = row.sums.n;
   double sum = row.sums.sum, sumsq = row.sums.sumsq;

   if (count <= 1) {
      fprintf(report, "\t%.*s\t%.*s\t-\t-\t%" PRId64 "\t-\n", n1, al1, n2, al2, count);
      return;
   }
   double p = (sum / 2.0) / count;
   double q = 1.0 - p;
   double var = (sumsq - (sum * sum) / count) / (count - 1);
   double maf = q > p ? p : q;
   q = SignlessNan(q);
   maf = SignlessNan(maf);
   if (p == 0.0 || p == 1.0) {
      fprintf(report, "\t%.*s\t%.*s\t%.3f\t%.3f\t%" PRId64 "\t-\n", n1, al1, n2, al2, q, maf,
              count);
      return;
   }
   double r2hat = SignlessNan(((var / 2.0) / p) / q);
   fprintf(report, "\t%.*s\t%.*s\t%.3f\t%.3f\t%" PRId64 "\t%.3f\n", n1, al1, n2, al2, q, maf, count,
           r2hat);
}

void WriteSumsRow(FILE* sums, const MarkerRow& row) {
   fprintf(sums, "%.*s\t%" PRId64 "\t%.*s\t%.*s\t%.*s\t%" PRId64 "\t%.17g\t%.17g\n",
           Length(row.chrom), row.chrom.data(), row.pos, Length(row.id), row.id.data(),
           Length(row.ref), row.ref.data(), Length(row.alt), row.alt.data(), row.sums.n,
           row.sums.sum, row.sums.sumsq);
}
