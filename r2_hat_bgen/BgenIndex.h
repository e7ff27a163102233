// The index of a BGEN file, FILE.bgi: an SQLite database whose table
// Variant(chromosome, position, rsid, number_of_alleles, allele1, allele2,
// file_start_position, size_in_bytes) gives where each variant block lies,
// and whose table Metadata, when present, records the size and the first
// 1,000 bytes of the file it was made for.
#ifndef LOCI_R2_HAT_BGEN_BGENINDEX_H
#define LOCI_R2_HAT_BGEN_BGENINDEX_H

#include <cstdint>
#include <string>
#include <vector>

#include "BgenFile.h"
#include "quality/Selection.h"

// Whether this build reads indexes (it needs SQLite).
bool ReadsBgenIndexes();

// The byte positions, ascending, of the variant blocks of `region` that
// `indexName` lists for the BGEN file `bgenName`; `chromosomeListed` tells
// whether the index lists any variant of the region's chromosome. An index
// that cannot be read, or that was made for another file, ends the run
// through `error`.
std::vector<uint64_t> IndexedVariants(const std::string& indexName, const std::string& bgenName,
                                      const BgenHeader& header, const Region& region,
                                      bool& chromosomeListed);

#endif
