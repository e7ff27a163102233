#include "quality/ReportRows.h"

#include <cinttypes>
#include <cmath>
#include <cstdarg>

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

// Appends printf's text; a huge value in "%.3f" takes over 300 characters.
void Append(std::string& out, const char* format, ...) LOCI_PRINTF(2, 3);
void Append(std::string& out, const char* format, ...) {
   char text[256];
   va_list args;
   va_start(args, format);
   int needed = vsnprintf(text, sizeof text, format, args);
   va_end(args);
   if (needed < static_cast<int>(sizeof text)) {
      out.append(text, static_cast<size_t>(needed));
      return;
   }
   size_t at = out.size();
   out.resize(at + static_cast<size_t>(needed) + 1);
   va_start(args, format);
   vsnprintf(&out[at], static_cast<size_t>(needed) + 1, format, args);
   va_end(args);
   out.resize(at + static_cast<size_t>(needed));
}

void Put(FILE* out, std::string_view text) {
   fwrite(text.data(), 1, text.size(), out);
}

}  // namespace

void AppendQualityColumns(std::string& out, ReportLayout layout, int64_t n, double sum,
                          double sumsq) {
   bool info = layout == ReportLayout::kInfo;
   if (n <= 1) {
      if (info)
         Append(out, "\t-\t-\t%" PRId64 "\t-\n", n);
      else
         Append(out, "\t%" PRId64 "\t-\t-\t-\n", n);
      return;
   }
   double p = (sum / 2.0) / n;
   double q = 1.0 - p;
   double var = (sumsq - (sum * sum) / n) / (n - 1);
   double maf = q > p ? p : q;
   q = SignlessNan(q);
   maf = SignlessNan(maf);
   if (p == 0.0 || p == 1.0) {
      if (info)
         Append(out, "\t%.3f\t%.3f\t%" PRId64 "\t-\n", q, maf, n);
      else
         Append(out, "\t%" PRId64 "\t%.3f\t%.3f\t-\n", n, q, maf);
      return;
   }
   double r2hat = SignlessNan(((var / 2.0) / p) / q);
   if (info)
      Append(out, "\t%.3f\t%.3f\t%" PRId64 "\t%.3f\n", q, maf, n, r2hat);
   else
      Append(out, "\t%" PRId64 "\t%.3f\t%.3f\t%.3f\n", n, q, maf, r2hat);
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
