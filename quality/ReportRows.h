// The rows of a report of r2_hat, in its two layouts, from a marker's n, sum
// and sum of squares.
//
// With p = (sum / 2) / n, the frequency of the allele the dosages count (the
// second allele), a row gives Freq1 = 1 - p, MAF = the smaller of p and
// 1 - p, and r2_hat = the observed variance of the dosages (dividing by
// n - 1) over 2 p (1 - p), all with three decimals and computed in this
// order. A "-" stands where a value is undefined: Freq1, MAF and r2_hat when
// n is 0 or 1, r2_hat when p is exactly 0 or 1. Not-a-number is written
// "nan" whatever its sign. Text columns are written whole, whatever their
// length.
#ifndef LOCI_QUALITY_REPORTROWS_H
#define LOCI_QUALITY_REPORTROWS_H

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "quality/MarkerSums.h"

// Marker, nIndiv, Freq1, MAF, R2_hat.
extern const char kStandardReportHeader[];
// SNP, Al1, Al2, Freq1, MAF, nIndiv, r2_hat.
extern const char kInfoReportHeader[];

enum class ReportLayout { kStandard, kInfo };

// Appends the columns that follow the marker's name (and, in the info
// layout, its alleles), from the tab that begins them to the line end.
void AppendQualityColumns(std::string& out, ReportLayout layout, int64_t n, double sum,
                          double sumsq);

// One allele of a record of a file of dosages: the dosages count `alt`.
struct MarkerRow {
   std::string_view chrom;
   int64_t pos = 0;
   std::string_view id, ref, alt;  // id "." when the record has none
   MarkerSums sums;
};

using RowSink = std::function<void(const MarkerRow&)>;

// Writes the row in the info layout: SNP is the id, or CHROM:POS:REF:ALT
// where the id is "."; Al1 is REF, Al2 is ALT.
void WriteReportRow(FILE* out, const MarkerRow& row);

#endif
