// Pooling the sums files of batches of samples.
//
// Rows are matched by CHROM, POS, REF and ALT and their n, sums and sums of
// squares added in the order the files are named. A marker missing from some
// batches is pooled from those that have it. Where two files give the same
// CHROM, POS and ID (an ID other than ".") different sets of REF/ALT pairs,
// the run stops: the batches disagree on that marker's alleles.
//
// Pooled rows come in the order of the first file, with the rows that only
// later files have placed after the row that precedes them there. Memory
// grows with the number of markers pooled.
#ifndef LOCI_R2_HAT_VCF_MERGE_H
#define LOCI_R2_HAT_VCF_MERGE_H

#include <cstdint>
#include <string>
#include <vector>

#include "Report.h"

// Reads every file and gives the pooled rows to `sink`; returns their number.
int64_t MergeSums(const std::vector<std::string>& files, const RowSink& sink);

#endif
