#include "Genotypes.h"

#include <zlib.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

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

// Nanos(n, scale) for every n up to `largest`, kept while the scale stays:
// a lookup instead of a 128-bit division per sample.
class NanosTable {
public:
   // The table, or null when `largest` is past kTableLimit.
   const int64_t* For(uint64_t scale, uint64_t largest) {
      if (largest >= kTableLimit) return nullptr;
      if (scale != tableScale || largest >= nanos.size()) {
         nanos.resize(largest + 1);
         for (uint64_t n = 0; n <= largest; n++) nanos[n] = Nanos(n, scale);
         tableScale = scale;
      }
      return nanos.data();
   }

private:
   // 2 MB: diploid dosages of up to 16 bits, and layout 1, fit.
   static constexpr uint64_t kTableLimit = uint64_t{1} << 18;
   uint64_t tableScale = 0;
   std::vector<int64_t> nanos;
};

// The dosages of one allele of one variant, as numerators over `scale`:
// counted in a histogram when they take few values, else each converted
// (through `table` when there is one) and summed exactly.
class Tally {
public:
   void Reset(uint64_t scaleOfValues, uint64_t largest, NanosTable& tables) {
      scale = scaleOfValues;
      counted = largest < kHistogramLimit;
      if (counted) histogram.assign(largest + 1, 0);
      table = counted ? nullptr : tables.For(scale, largest);
      count = 0;
      sum = 0;
      squares = 0;
   }
   void Add(uint64_t numerator) {
      if (counted) {
         histogram[numerator]++;
         return;
      }
      const uint64_t nanos =
          static_cast<uint64_t>(table != nullptr ? table[numerator] : Nanos(numerator, scale));
      count++;
      sum += nanos;
      squares += static_cast<unsigned __int128>(nanos) * nanos;
   }
   void Fold(MarkerSums& sums) const {
      sums = MarkerSums();
      sums.AddExactSums(count, static_cast<__int128>(sum), static_cast<__int128>(squares));
      if (!counted) return;
      for (size_t value = 0; value < histogram.size(); value++)
         if (histogram[value] != 0) sums.AddExact(Nanos(value, scale), histogram[value]);
   }

private:
   uint64_t scale = 1;
   bool counted = false;
   std::vector<uint32_t> histogram;
   const int64_t* table = nullptr;
   int64_t count = 0;
   unsigned __int128 sum = 0, squares = 0;
};

// What rounding adds to a dosage of n / 255 in billionths beyond
// 3921568 n: (320 n + 255) / 510 = (64 n + 51) / 102, for n of 0 .. 510
// computed as a 16-bit multiplication by the reciprocal (exact for
// 64 n + 51 < 110376), as the vector loop below computes it.
inline int16_t Rounding(int n) {
   const uint16_t x = static_cast<uint16_t>(64 * n + 51);
   const uint16_t high = static_cast<uint16_t>((uint32_t{x} * 41121u) >> 16);
   return static_cast<int16_t>(high >> 6);
}

// Sums over `count` samples of a two-allele diploid variant stored in 8
// bits, each sample two bytes: the numerators n = 510 - weight x1 - x2, n^2,
// their roundings c, c n and c^2, and an OR of x1 + x2 (past 255: a set of
// probabilities adding up to more than 1). With `keep`, one byte per sample,
// 0xff or 0, only the samples kept count: the others' lanes are cleared, and
// c(0) = 0 makes them add nothing. Each sum fits 32 bits for count <= 8192.
struct PairSums {
   int n1 = 0, nn = 0, c1 = 0, cn = 0, cc = 0, over = 0;
};

inline void AddPair(PairSums& sums, int first, int second, int16_t weight) {
   const int n = 510 - weight * first - second, c = Rounding(n);
   sums.over |= first + second;
   sums.n1 += n;
   sums.nn += n * n;
   sums.c1 += c;
   sums.cn += c * n;
   sums.cc += c * c;
}

#if defined(__x86_64__) && defined(__GNUC__)
// Sixteen samples at a time on processors with AVX2 (asked at run time, so
// that the build stays portable); the same arithmetic as the SSE2 loop.
// Returns the number of samples summed, a multiple of 16.
__attribute__((target("avx2"))) int32_t Total(__m256i lanes) {
   int32_t parts[8];
   _mm256_storeu_si256(reinterpret_cast<__m256i*>(parts), lanes);
   int32_t sum = 0;
   for (int32_t part : parts) sum += part;
   return sum;
}

__attribute__((target("avx2"))) uint32_t SumPairsAvx2(const unsigned char* values,
                                                      const unsigned char* keep, uint32_t count,
                                                      int16_t weight, PairSums& sums) {
   const __m256i low = _mm256_set1_epi16(0xff), ones = _mm256_set1_epi16(1);
   const __m256i top = _mm256_set1_epi16(510), bias = _mm256_set1_epi16(51);
   const __m256i reciprocal = _mm256_set1_epi16(static_cast<int16_t>(41121));
   const __m256i twice = _mm256_set1_epi16(weight == 2 ? -1 : 0);
   __m256i n1 = _mm256_setzero_si256(), nn = n1, c1 = n1, cn = n1, cc = n1, over = n1;
   __m256i kept = _mm256_set1_epi16(-1);
   uint32_t i = 0;
   for (; i + 16 <= count; i += 16) {
      __m256i pairs = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(values + 2 * size_t{i}));
      if (keep != nullptr)
         kept = _mm256_cvtepi8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(keep + i)));
      __m256i first = _mm256_and_si256(pairs, low), second = _mm256_srli_epi16(pairs, 8);
      __m256i n = _mm256_sub_epi16(_mm256_sub_epi16(top, _mm256_add_epi16(first, second)),
                                   _mm256_and_si256(first, twice));
      n = _mm256_and_si256(n, kept);
      __m256i x = _mm256_add_epi16(_mm256_slli_epi16(n, 6), bias);
      __m256i c = _mm256_srli_epi16(_mm256_mulhi_epu16(x, reciprocal), 6);
      over = _mm256_or_si256(over, _mm256_and_si256(_mm256_add_epi16(first, second), kept));
      n1 = _mm256_add_epi32(n1, _mm256_madd_epi16(n, ones));
      nn = _mm256_add_epi32(nn, _mm256_madd_epi16(n, n));
      c1 = _mm256_add_epi32(c1, _mm256_madd_epi16(c, ones));
      cn = _mm256_add_epi32(cn, _mm256_madd_epi16(c, n));
      cc = _mm256_add_epi32(cc, _mm256_madd_epi16(c, c));
   }
   sums.n1 += Total(n1);
   sums.nn += Total(nn);
   sums.c1 += Total(c1);
   sums.cn += Total(cn);
   sums.cc += Total(cc);
   int16_t overs[16];
   _mm256_storeu_si256(reinterpret_cast<__m256i*>(overs), over);
   for (int16_t lane : overs) sums.over |= lane;
   return i;
}

bool HasAvx2() {
   static const bool has = __builtin_cpu_supports("avx2");
   return has;
}
#endif

PairSums SumPairs(const unsigned char* values, const unsigned char* keep, uint32_t count,
                  int16_t weight) {
   PairSums sums;
   uint32_t i = 0;
#if defined(__x86_64__) && defined(__GNUC__)
   if (HasAvx2()) i = SumPairsAvx2(values, keep, count, weight, sums);
#endif
#ifdef __SSE2__
   // Eight samples at a time in 16-bit lanes; the products are summed in
   // pairs into 32-bit lanes (pmaddwd), all values being below 2^15.
   const __m128i low = _mm_set1_epi16(0xff), ones = _mm_set1_epi16(1);
   const __m128i top = _mm_set1_epi16(510), bias = _mm_set1_epi16(51);
   const __m128i reciprocal = _mm_set1_epi16(static_cast<int16_t>(41121));
   const __m128i twice = _mm_set1_epi16(weight == 2 ? -1 : 0);
   __m128i n1 = _mm_setzero_si128(), nn = n1, c1 = n1, cn = n1, cc = n1, over = n1;
   __m128i kept = _mm_set1_epi16(-1);
   for (; i + 8 <= count; i += 8) {
      __m128i pairs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + 2 * size_t{i}));
      if (keep != nullptr) {
         const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(keep + i));
         kept = _mm_unpacklo_epi8(bytes, bytes);
      }
      __m128i first = _mm_and_si128(pairs, low), second = _mm_srli_epi16(pairs, 8);
      __m128i n = _mm_sub_epi16(_mm_sub_epi16(top, _mm_add_epi16(first, second)),
                                _mm_and_si128(first, twice));
      n = _mm_and_si128(n, kept);
      __m128i x = _mm_add_epi16(_mm_slli_epi16(n, 6), bias);
      __m128i c = _mm_srli_epi16(_mm_mulhi_epu16(x, reciprocal), 6);
      over = _mm_or_si128(over, _mm_and_si128(_mm_add_epi16(first, second), kept));
      n1 = _mm_add_epi32(n1, _mm_madd_epi16(n, ones));
      nn = _mm_add_epi32(nn, _mm_madd_epi16(n, n));
      c1 = _mm_add_epi32(c1, _mm_madd_epi16(c, ones));
      cn = _mm_add_epi32(cn, _mm_madd_epi16(c, n));
      cc = _mm_add_epi32(cc, _mm_madd_epi16(c, c));
   }
   auto total = [](__m128i lanes) {
      int32_t parts[4];
      _mm_storeu_si128(reinterpret_cast<__m128i*>(parts), lanes);
      return parts[0] + parts[1] + parts[2] + parts[3];
   };
   sums.n1 += total(n1);
   sums.nn += total(nn);
   sums.c1 += total(c1);
   sums.cn += total(cn);
   sums.cc += total(cc);
   int16_t overs[8];
   _mm_storeu_si128(reinterpret_cast<__m128i*>(overs), over);
   for (int16_t lane : overs) sums.over |= lane;
#endif
   for (; i < count; i++)
      if (keep == nullptr || keep[i])
         AddPair(sums, values[2 * size_t{i}], values[2 * size_t{i} + 1], weight);
   return sums;
}

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
#ifdef R2_HAT_BGEN_WITH_LIBDEFLATE
   libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
#endif
#ifdef R2_HAT_BGEN_WITH_ZSTD
   ZSTD_DCtx* zstd = ZSTD_createDCtx();
#endif
   std::vector<Tally> tallies;
   NanosTable nanos;
   std::vector<unsigned char> selected;  // 0xff for each sample asked for, else 0
   std::vector<unsigned char> keep;      // the samples of a chunk that count
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
    : header(header), included(included), contexts(new Contexts) {
   contexts->selected.resize(header.samples, 0xff);
   for (size_t i = 0; i < included.size() && i < header.samples; i++)
      contexts->selected[i] = included[i] ? 0xff : 0;
}

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
      reason = "its genotype data claim " + std::to_string(expected) + " bytes, more than their " +
               std::to_string(packed) + " compressed bytes hold";
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
   return Decompress(
       variant, header.layout == 1 ? size_t{6} * header.samples : variant.uncompressedSize, reason);
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
   tally.Reset(kLayout1Scale, 3 * uint64_t{65535}, contexts->nanos);
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
   for (Tally& tally : tallies) tally.Reset(scale, 2 * scale, contexts->nanos);

   // Diploid, two alleles, one byte per value: by far the most common
   // shape, read without the general bit reader.
   // A ploidy byte outside the stated range is left to the general reader's
   // message; samples missing or not selected are masked.
   bool pairPath = bits == 8 && alleles == 2 && minPloidy == 2 && maxPloidy == 2;
   unsigned char otherPloidy = 0;  // any byte but 2: missing, or another ploidy
   if (pairPath) {
      unsigned char wrongPloidy = 0;
      for (uint32_t i = 0; i < samples; i++) {
         otherPloidy |= ploidy[i] ^ 2;
         wrongPloidy |= (ploidy[i] & 0x3f) ^ 2;
      }
      pairPath = wrongPloidy == 0;
   }
   if (pairPath) {
      if (totalBits < uint64_t{16} * samples) {
         reason = "its genotype data end before the probabilities of every sample";
         return false;
      }
      // Each dosage is n / 255 for a numerator n of 0 .. 510, in billionths
      // kWhole * n + c(n) with c(n) = (320 n + 255) / 510 = (64 n + 51) / 102
      // (rounded half up, as Nanos rounds). The exact sums of the rounded
      // dosages and of their squares then follow from sums of n, n^2, c,
      // c n and c^2: 16-bit products summed in 32 bits, which the compiler
      // vectorises, over chunks of kChunk samples (510^2 * kChunk < 2^31).
      constexpr uint64_t kWhole = 1000000000 / 255;  // 3921568, remainder 160
      constexpr uint32_t kChunk = 8192;
      const bool everySample = included.empty() && otherPloidy == 0;
      const int16_t weight = phased ? 1 : 2;
      int64_t count = 0, sumN = 0, sumNN = 0, sumC = 0, sumCN = 0, sumCC = 0;
      int overs = 0;
      std::vector<unsigned char>& keep = contexts->keep;
      if (!everySample) keep.resize(kChunk);
      for (uint32_t start = 0; start < samples; start += kChunk) {
         const uint32_t end = samples - start > kChunk ? start + kChunk : samples;
         int used = static_cast<int>(end - start);
         if (!everySample) {
            // Plain byte arithmetic, which the compiler vectorises.
            const unsigned char* selected = contexts->selected.data() + start;
            const unsigned char* chunkPloidy = ploidy + start;
            unsigned char* kept = keep.data();
            used = 0;
            for (uint32_t i = 0; i < end - start; i++) {
               kept[i] = selected[i] & static_cast<unsigned char>(-(chunkPloidy[i] == 2));
               used += kept[i] & 1;
            }
         }
         PairSums chunk = SumPairs(values + 2 * size_t{start}, everySample ? nullptr : keep.data(),
                                   end - start, weight);
         overs |= chunk.over;
         count += used;
         sumN += chunk.n1;
         sumNN += chunk.nn;
         sumC += chunk.c1;
         sumCN += chunk.cn;
         sumCC += chunk.cc;
      }
      // Two probabilities of one set past 255 add up to more than 1.
      if (!phased && overs > 255) {
         reason = "the probabilities of a sample add up to more than 1";
         return false;
      }
      using Wide = __int128;
      sums[0].AddExactSums(static_cast<int64_t>(count), Wide(kWhole) * sumN + sumC,
                           Wide(kWhole * kWhole) * sumNN + Wide(2 * kWhole) * sumCN + sumCC);
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
   // The number of stored values of a sample of each ploidy in range.
   uint64_t valuesOf[64] = {};
   for (int p = minPloidy; p <= maxPloidy; p++)
      valuesOf[p] = phased ? uint64_t(p) * (alleles - 1)
                           : Choose(uint64_t(p) + alleles - 1, alleles - 1, limit) - 1;
   for (uint32_t i = 0; i < samples; i++) {
      const int sampleploidy = ploidy[i] & 0x3f;
      const bool missing = (ploidy[i] & 0x80) != 0;
      if (sampleploidy < minPloidy || sampleploidy > maxPloidy) {
         reason = "sample " + std::to_string(i + 1) + " has a ploidy outside the stated range";
         return false;
      }
      const uint64_t count = valuesOf[sampleploidy];
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
      if (alleles == 2 && sampleploidy == 2) {
         // The common shape, as the general loops below count it: unphased,
         // P(1/1) and P(1/2) stored and P(2/2) what is left; phased, each
         // haplotype's P(allele 1), which no stored value can take past 1.
         const uint64_t x = read(), y = read();
         if (!phased && x + y > scale) {
            reason =
                "the probabilities of sample " + std::to_string(i + 1) + " add up to more than 1";
            return false;
         }
         tallies[0].Add(phased ? 2 * scale - x - y : y + 2 * (scale - x - y));
         continue;
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
