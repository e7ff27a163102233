// The dosages of a BGEN variant, added into one MarkerSums per allele after
// the first.
//
// The dosage of allele k of a sample is the expected number of its copies:
// the sum over the sample's genotypes of their probability times the copies
// of k they hold (unphased), or the sum over its haplotypes of the
// probability that they carry k (phased). Probabilities are stored integers
// x over D = 2^B - 1 (layout 2, B bits each, the last of each set being D
// minus the others) or over 32,768 (layout 1), so a dosage is an integer
// numerator over D; it is taken to nine decimal places (rounded half up,
// within 5e-10 of the exact value, far below what the stored bits resolve)
// and added exactly, so that the sums do not depend on the order of the
// samples or on how the samples were split into batches and pooled, and
// pool exactly with the sums of decimal dosages of other files.
//
// Samples marked missing (and of ploidy 0) are left out of that variant's
// sums; ploidy 1 and 2 are read, higher ploidies refused, as r2_hat is
// defined for haploid and diploid dosages only.
#ifndef LOCI_R2_HAT_BGEN_GENOTYPES_H
#define LOCI_R2_HAT_BGEN_GENOTYPES_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "BgenFile.h"
#include "quality/MarkerSums.h"

// One thread's converter: its decompressors and buffers.
class GenotypeConverter {
public:
   // `included`: one flag per sample of the file, or empty for every sample.
   GenotypeConverter(const BgenHeader& header, const std::vector<char>& included);
   ~GenotypeConverter();
   GenotypeConverter(const GenotypeConverter&) = delete;
   GenotypeConverter& operator=(const GenotypeConverter&) = delete;

   // Sets `sums` to one MarkerSums per allele after the first; false, with
   // `reason`, when the genotype data are damaged or cannot give dosages.
   bool Convert(const RawVariant& variant, std::vector<MarkerSums>& sums, std::string& reason);

   // Whether this build reads zstd-compressed files.
   static bool ReadsZstd();

   // Only the decompression of Convert, into this converter's buffer: the
   // floor of any reader of the file on one thread.
   bool Decompress(const RawVariant& variant, std::string& reason);

private:
   bool Decompress(const RawVariant& variant, size_t expected, std::string& reason);
   bool Layout1(std::vector<MarkerSums>& sums, std::string& reason);
   bool Layout2(const RawVariant& variant, std::vector<MarkerSums>& sums, std::string& reason);

   const BgenHeader& header;
   const std::vector<char> included;  // a copy: callers pass temporaries
   std::vector<unsigned char> buffer;  // decompressed genotype data
   const unsigned char* data = nullptr;
   size_t size = 0;
   struct Contexts;
   std::unique_ptr<Contexts> contexts;
};

#endif
