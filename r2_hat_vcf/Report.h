// The rows r2_hat_vcf writes: the report, in the info layout of r2_hat, and
// the sums file, which keeps each marker's n, sum and sum of squares at full
// precision so that batches of samples can be pooled later.
//
// Sums file, version 1: tab-separated text; the first line is exactly
// kSumsHeader's first line, the second names the columns; then one row per
// marker: CHROM, POS, ID, REF, ALT (one alternate allele), n, the sum of the
// dosages and the sum of their squares, the sums with 17 significant digits
// ("%.17g"), which read back through strtod to the same doubles.
#ifndef LOCI_R2_HAT_VCF_REPORT_H
#define LOCI_R2_HAT_VCF_REPORT_H

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "RecordParser.h"

struct MarkerRow {
   std::string_view chrom;
   int64_t pos = 0;
   std::string_view id, ref, alt;
   AlleleSums sums;
};

using RowSink = std::function<void(const MarkerRow&)>;

extern const char kReportHeader[];
extern const char kSumsHeader[];

// A report row: SNP (the record's ID, or CHROM:POS:REF:ALT where the ID is
// "."), Al1 (REF), Al2 (ALT), Freq1, MAF, nIndiv, r2_hat, with the
// arithmetic, formats and "-" rules of r2_hat's info layout.
void WriteReportRow(FILE* report, const MarkerRow& row);

void WriteSumsRow(FILE* sums, const MarkerRow& row);

#endif
