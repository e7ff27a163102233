#include "quality/ReportRows.h"

#include <cinttypes>
#include <cmath>

#include "base/DecimalText.h"
#include "io/Error.h"

const char kStandardReportHeader[] = "Marker\tnIndiv\tFreq1\tMAF\tR2_hat\n";
const char kInfoReportHeader[] = "SNP\tAl1\tAl2\tFreq1\tMAF\tnIndiv\tr2_hat\n";

namespace {

// The sign of a not-a-number means nothing, and where NaNs of both signs meet
// in a sum the compiler's choice of operand order decides it: every NaN is
// written as "nan", so the report does not change from one build to another.
double SignlessNan(double x) {
   return std::isnan(x) ? std::fabs(x) : x;
}

void Put(FILE* out, std::string_view text) {
   fwrite(text.data(), 1, text.size(), out);
}

}  // namespace

void AppendQualityColumns(std::string& out, ReportLayout layout, int64_t n, double sum,
                          double sumsq) {
   bool info = layout == ReportLayout::kInfo;
   // Each column after a tab; "-" where the value is not defined.
   auto count = [&] {
      out += '\t';
      AppendInteger(out, n);
   };
   auto fixed = [&](double value) {
      out += '\t';
      AppendFixedDecimal(out, value, 3);
   };
   auto undefined = [&] { out += "\t-"; };
   if (!info) count();
   if (n <= 1) {
      undefined();
      undefined();
      if (info) count();
      out += "\t-\n";
      return;
   }
   double p = (sum / 2.0) / n;
   double q = 1.0 - p;
   double var = (sumsq - (sum * sum) / n) / (n - 1);
   double maf = q > p ? p : q;
   fixed(SignlessNan(q));
   fixed(SignlessNan(maf));
   if (info) count();
   if (p == 0.0 || p == 1.0)
      undefined();
   else
      fixed(SignlessNan(((var / 2.0) / p) / q));
   out += '\n';
}

void WriteReportRow(FILE* out, const MarkerRow& row) {
   if (row.id != ".") {
      Put(out, row.id);
   } else {
      Put(out, row.chrom);
      fprintf(out, ":%" PRId64 ":", row.pos);
      Put(out, row.ref);
      fputc(':', out);
      Put(out, row.alt);
   }
   for (std::string_view allele : {row.ref, row.alt}) {
      fputc('\t', out);
      Put(out, allele);
   }
   std::string columns;
   AppendQualityColumns(columns, ReportLayout::kInfo, row.sums.n, row.sums.Sum(),
                        row.sums.SumOfSquares());
   Put(out, columns);
}
