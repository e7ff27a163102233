#include "Genotypes.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#ifdef R2_HAT_BGEN_WITH_LIBDEFLATE
#include <libdeflate.h>
#endif
#ifdef R2_HAT_BGEN_WITH_ZSTD
#include <zstd.h>
#endif

namespace {

// Layout 1 stores each probability over 2^15.
const uint32_t kLayout1Scale = 32768;
// Numerators up to this are counted in a histogram and converted once per
// value; larger ones one by one.
const uint32_t kHistogramLimit = 4096;
// Dosage numerators of two alleles in 8 bits: 0 .. 2 x 255.
const uint32_t kFastBins = 511;
// Bytes past the data, so that a value is read with one 8-byte load.
const size_t kSlack = 8;

uint32_t Little32(const unsigned char* bytes) {
   return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
          uint32_t{bytes[3]} << 24;
}

// numerator / scale in billionths, rounded half up.
int64_t Nanos(uint64_t numerator, uint64_t scale) {
   unsigned __int128 twice = static_cast<unsigned __int128>(numerator) * 2000000000u + scale;
   return static_cast<int64_t>(twice / (2 * static_cast<unsigned __int128>(scale)));
}

// The dosages of one allele of one variant, as numerators over `scale`.
class Tally {
public:
   void Reset(uint64_t scaleOfValues, uint64_t largest) {
      scale = scaleOfValues;
      counted = largest < kHistogramLimit;
      if (counted) histogram.assign(largest + 1, 0);
      direct = MarkerSums();
   }
   void Add(uint64_t numerator) {
      if (counted)
         histogram[numerator]++;
      else
         direct.AddExact(Nanos(numerator, scale), 1);
   }
   uint32_t* Histogram() { return histogram.data(); }
   void Fold(MarkerSums& sums) const {
      sums = direct;
      if (!counted) return;
      for (size_t value = 0; value < histogram.size(); value++)
         if (histogram[value] != 0) sums.AddExact(Nanos(value, scale), histogram[value]);
   }

private:
   uint64_t scale = 1;
   bool counted = false;
   std::vector<uint32_t> histogram;
   MarkerSums direct;
};

// C(n, k), or a number past `limit` when it is larger.
uint64_t Choose(uint64_t n, uint64_t k, uint64_t limit) {
   uint64_t result = 1;
   for (uint64_t i = 1; i <= k; i++) {
      result = result * (n - k + i) / i;
      if (result > limit) return limit + 1;
   }
   return result;
}

}  // namespace

struct GenotypeConverter::Contexts {
   uint32_t fastCounts[4][kFastBins];
#ifdef R2_HAT_BGEN_WITH_LIBDEFLATE
   libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
#endif
#ifdef R2_HAT_BGEN_WITH_ZSTD
   ZSTD_DCtx* zstd = ZSTD_createDCtx();
#endif
   std::vector<Tally> tallies;
   ~Contexts() {
#ifdef R2_HAT_BGEN_WITH_LIBDEFLATE
      libdeflate_free_decompressor(inflater);
#endif
#ifdef R2_HAT_BGEN_WITH_ZSTD
      ZSTD_freeDCtx(zstd);
#endif
   }
};

GenotypeConverter::GenotypeConverter(const BgenHeader& header, const std::vector<char>& included)
    : header(header), included(included), contexts(new Contexts) {}

GenotypeConverter::~GenotypeConverter() = default;

bool GenotypeConverter::ReadsZstd() {
#ifdef R2_HAT_BGEN_WITH_ZSTD
   return true;
#else
   return false;
#endif
}

bool GenotypeConverter::Decompress(const RawVariant& variant, size_t expected,
                                   std::string& reason) {
   if (header.compression == BgenCompression::kNone) {
      data = variant.data.data();
      size = variant.data.size();
      buffer.resize(size + kSlack);
      if (size > 0) memcpy(buffer.data(), data, size);
      data = buffer.data();
      return true;
   }
   // A damaged size must not claim memory: deflate expands at most about
   // 1032 to 1, and a zstd frame states its size (or is read in steps).
   const size_t packed = variant.data.size();
   if (expected >= (size_t{1} << 31) ||
       (header.compression == BgenCompression::kZlib && expected > 1032 * packed + 64)) {
      reason = "its genotype data claim " + std::to_string(expected) +
               " bytes, more than their " + std::to_string(packed) + " compressed bytes hold";
      return false;
   }
   size_t got = 0;
   bool ok = false;
#ifdef R2_HAT_BGEN_WITH_ZSTD
   if (header.compression == BgenCompression::kZstd) {
      unsigned long long stated = ZSTD_getFrameContentSize(variant.data.data(), packed);
      if (stated == ZSTD_CONTENTSIZE_UNKNOWN) {
         // Grows with what actually comes out, up to the size stated.
         ZSTD_DCtx_reset(contexts->zstd, ZSTD_reset_session_only);
         ZSTD_inBuffer in{variant.data.data(), packed, 0};
         buffer.resize(std::min<size_t>(expected, size_t{1} << 20) + kSlack);
         size_t status = 1;
         while (status != 0) {
            if (got == buffer.size() - kSlack) {
               if (got >= expected) break;
               buffer.resize(std::min(expected, 2 * got) + kSlack);
            }
            ZSTD_outBuffer out{buffer.data(), buffer.size() - kSlack, got};
            status = ZSTD_decompressStream(contexts->zstd, &out, &in);
            got = out.pos;
            if (ZSTD_isError(status) || (status != 0 && in.pos == packed && got < out.size)) break;
         }
         ok = status == 0 && in.pos == packed;
      } else if (stated != expected) {
         ok = false;
      } else {
         buffer.resize(expected + kSlack);
         size_t result = ZSTD_decompressDCtx(contexts->zstd, buffer.data(), expected,
                                             variant.data.data(), packed);
         ok = !ZSTD_isError(result);
         got = ok ? result : 0;
      }
   }
#endif
   if (header.compression == BgenCompression::kZlib) {
      buffer.resize(expected + kSlack);
#ifdef R2_HAT_BGEN_WITH_LIBDEFLATE
      ok = libdeflate_zlib_decompress(contexts->inflater, variant.data.data(), variant.data.size(),
                                      buffer.data(), expected, &got) == LIBDEFLATE_SUCCESS;
#else
      uLongf length = static_cast<uLongf>(expected);
      ok = uncompress(buffer.data(), &length, variant.data.data(),
                      static_cast<uLong>(variant.data.size())) == Z_OK;
      got = length;
#endif
   } else {
#ifndef R2_HAT_BGEN_WITH_ZSTD
      reason = "the file is compressed with zstd, which this build does not read";
      return false;
#endif
   }
   if (!ok || got != expected) {
      reason = "its genotype data do not decompress to the " + std::to_string(expected) +
               " bytes stored";
      return false;
   }
   data = buffer.data();
   size = expected;
   return true;
}

bool GenotypeConverter::Decompress(const RawVariant& variant, std::string& reason) {
   return Decompress(variant,
                     header.layout == 1 ? size_t{6} * header.samples : variant.uncompressedSize,
                     reason);
}

bool GenotypeConverter::Convert(const RawVariant& variant, std::vector<MarkerSums>& sums,
                                std::string& reason) {
   size_t expected = header.layout == 1 ? size_t{6} * header.samples : variant.uncompressedSize;
   if (!Decompress(variant, expected, reason)) return false;
   sums.assign(variant.alleles.size() - 1, MarkerSums());
   return header.layout == 1 ? Layout1(sums, reason) : Layout2(variant, sums, reason);
}

bool GenotypeConverter::Layout1(std::vector<MarkerSums>& sums, std::string& reason) {
   if (size != size_t{6} * header.samples) {
      reason = "its genotype data hold " + std::to_string(size) + " bytes, not 6 per sample";
      return false;
   }
   Tally& tally = (contexts->tallies.resize(1), contexts->tallies[0]);
   tally.Reset(kLayout1Scale, 3 * uint64_t{65535});
   for (uint32_t i = 0; i < header.samples; i++) {
      if (!included.empty() && !included[i]) continue;
      const unsigned char* p = data + size_t{6} * i;
      uint32_t het = p[2] | p[3] << 8, hom = p[4] | p[5] << 8;
      if ((p[0] | p[1]) == 0 && het == 0 && hom == 0) continue;  // missing
      tally.Add(het + 2 * uint64_t{hom});
   }
   tally.Fold(sums[0]);
   return true;
}

bool GenotypeConverter::Layout2(const RawVariant& variant, std::vector<MarkerSums>& sums,
                                std::string& reason) {
   const uint32_t samples = header.samples;
   const size_t alleles = variant.alleles.size();
   if (size < 8 || Little32(data) != samples ||
       (data[4] | data[5] << 8) != static_cast<int>(alleles)) {
      reason = "its genotype data do not begin with the numbers of samples and alleles";
      return false;
   }
   const int minPloidy = data[6], maxPloidy = data[7];
   if (size < 10 + size_t{samples}) {
      reason = "its genotype data end before the ploidy of every sample";
      return false;
   }
   const unsigned char* ploidy = data + 8;
   const bool phased = data[8 + samples] != 0;
   const int bits = data[9 + samples];
   if (data[8 + samples] > 1 || bits < 1 || bits > 32 || minPloidy > maxPloidy || maxPloidy > 63) {
      reason = "its genotype data give a phased flag, a number of bits or ploidies out of range";
      return false;
   }
   const unsigned char* values = data + 10 + samples;
   const uint64_t totalBits = (size - 10 - samples) * uint64_t{8};
   const uint64_t scale = (uint64_t{1} << bits) - 1;
   const uint64_t mask = scale;

   std::vector<Tally>& tallies = contexts->tallies;
   tallies.resize(alleles - 1);
   for (Tally& tally : tallies) tally.Reset(scale, 2 * scale);

   // Diploid, two alleles, one byte per value: by far the most common
   // shape, read without the general bit reader.
   if (bits == 8 && alleles == 2 && minPloidy == 2 && maxPloidy == 2) {
      if (totalBits < uint64_t{16} * samples) {
         reason = "its genotype data end before the probabilities of every sample";
         return false;
      }
      // Four histograms, filled by turns: runs of one genotype (most samples
      // of a rare variant) then do not wait on one counter's last store.
      uint32_t(*counts)[kFastBins] = contexts->fastCounts;
      memset(counts, 0, sizeof contexts->fastCounts);
      unsigned char otherPloidy = 0;  // any byte but 2: missing, or another ploidy
      for (uint32_t i = 0; i < samples; i++) otherPloidy |= ploidy[i] ^ 2;
      const bool everySample = included.empty() && otherPloidy == 0;
      const uint32_t weight = phased ? 1 : 2;
      uint32_t overs = 0;
      // Unphased: P(11), P(12); phased: P(allele 1) on each haplotype.
      if (everySample) {
         uint32_t i = 0;
         for (; i + 4 <= samples; i += 4) {
            for (uint32_t lane = 0; lane < 4; lane++) {
               uint32_t first = values[2 * (i + lane)], second = values[2 * (i + lane) + 1];
               overs |= first + second;
               counts[lane][510 - weight * first - second]++;
            }
         }
         for (; i < samples; i++) {
            uint32_t first = values[2 * i], second = values[2 * i + 1];
            overs |= first + second;
            counts[0][510 - weight * first - second]++;
         }
      } else {
         for (uint32_t i = 0; i < samples; i++) {
            if ((ploidy[i] & 0x80) || (!included.empty() && !included[i])) continue;
            uint32_t first = values[2 * i], second = values[2 * i + 1];
            overs |= first + second;
            counts[i & 3][510 - weight * first - second]++;
         }
      }
      // Two probabilities of one set past 255 add up to more than 1.
      bool over = !phased && overs > 255;
      uint32_t* histogram = tallies[0].Histogram();
      for (uint32_t value = 0; value < kFastBins; value++)
         histogram[value] = counts[0][value] + counts[1][value] + counts[2][value] + counts[3][value];
      if (over) {
         reason = "the probabilities of a sample add up to more than 1";
         return false;
      }
      tallies[0].Fold(sums[0]);
      return true;
   }

   uint64_t bit = 0;
   auto read = [&] {
      uint64_t word;
      memcpy(&word, values + bit / 8, sizeof word);
      uint64_t value = (word >> (bit % 8)) & mask;
      bit += static_cast<uint64_t>(bits);
      return value;
   };
   std::vector<uint64_t> stored, numerators(alleles);
   const uint64_t limit = totalBits;
   for (uint32_t i = 0; i < samples; i++) {
      const int sampleploidy = ploidy[i] & 0x3f;
      const bool missing = (ploidy[i] & 0x80) != 0;
      if (sampleploidy < minPloidy || sampleploidy > maxPloidy) {
         reason = "sample " + std::to_string(i + 1) + " has a ploidy outside the stated range";
         return false;
      }
      uint64_t count = phased ? uint64_t(sampleploidy) * (alleles - 1)
                              : Choose(sampleploidy + alleles - 1, alleles - 1, limit) - 1;
      if (count > limit || bit + count * bits > totalBits) {
         reason = "its genotype data end before the probabilities of every sample";
         return false;
      }
      bool use = !missing && sampleploidy > 0 && (included.empty() || included[i]);
      if (!use) {
         bit += count * bits;
         continue;
      }
      if (sampleploidy > 2) {
         reason = "sample " + std::to_string(i + 1) + " has ploidy " +
                  std::to_string(sampleploidy) +
                  ": dosages and r2_hat are defined for haploid and diploid samples";
         return false;
      }
      std::fill(numerators.begin(), numerators.end(), 0);
      if (phased || sampleploidy == 1) {
         // One set of K - 1 probabilities per haplotype (a haploid sample's
         // genotypes are its alleles); the last allele takes what is left.
         for (int h = 0; h < sampleploidy; h++) {
            uint64_t total = 0;
            for (size_t k = 0; k + 1 < alleles; k++) {
               uint64_t x = read();
               total += x;
               numerators[k] += x;
            }
            if (total > scale) {
               reason = "the probabilities of sample " + std::to_string(i + 1) +
                        " add up to more than 1";
               return false;
            }
            numerators[alleles - 1] += scale - total;
         }
      } else {
         // Diploid genotypes in colex order: (a, b), a <= b, at b(b+1)/2 + a.
         stored.resize(count);
         uint64_t total = 0;
         for (uint64_t g = 0; g < count; g++) total += stored[g] = read();
         if (total > scale) {
            reason =
                "the probabilities of sample " + std::to_string(i + 1) + " add up to more than 1";
            return false;
         }
         uint64_t g = 0;
         for (size_t b = 0; b < alleles; b++)
            for (size_t a = 0; a <= b; a++, g++) {
               uint64_t x = g < count ? stored[g] : scale - total;
               numerators[a] += x;
               numerators[b] += x;
            }
      }
      for (size_t k = 1; k < alleles; k++) tallies[k - 1].Add(numerators[k]);
   }
   for (size_t k = 1; k < alleles; k++) tallies[k - 1].Fold(sums[k - 1]);
   return true;
}
