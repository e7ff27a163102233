// The sums file: each marker's n, sum and sum of squares at full precision,
// so that batches of samples imputed or read apart can be pooled later into
// the report of all of them.
//
// Version 1: tab-separated text; the first line is exactly kSumsHeader's
// first line, the second names the columns; then one row per marker: CHROM,
// POS, ID, REF, ALT (the allele the dosages count), n, the sum of the
// dosages and the sum of their squares. Sums of exact dosages (see
// MarkerSums.h) are written as exact decimals (up to 9 and 18 places), the
// others with 17 significant digits ("%.17g"), which read back through
// strtod to the same doubles. Lines that begin with "#" are passed over.
//
// Pooling: rows are matched by CHROM, POS, REF and ALT and their sums added
// in the order the files are named, exactly where the sums are exact. A
// marker missing from some batches is pooled from those that have it. Where
// two files give the same CHROM, POS and ID (an ID other than ".") different
// sets of REF/ALT pairs, the batches disagree on that marker's alleles; a
// marker listed twice in one file, one file named twice (by device and inode)
// and a pooled n past the largest int64_t are errors too. Each ends the run
// through `error`, naming the file. Pooled rows come in the order of the
// first file, with the rows that only later files have placed after the row
// that precedes them there. Memory grows with the number of markers pooled.
#ifndef LOCI_QUALITY_SUMSFILE_H
#define LOCI_QUALITY_SUMSFILE_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "quality/ReportRows.h"

extern const char kSumsHeader[];

void WriteSumsRow(FILE* sums, const MarkerRow& row);

// Reads every file and gives the pooled rows to `sink`; returns their number.
int64_t MergeSums(const std::vector<std::string>& files, const RowSink& sink);

#endif
