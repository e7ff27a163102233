#include "Genotypes.h"

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

// The genotype data of one uncompressed layout-2 variant, built sample by
// sample: ploidy bytes, then the values packed least significant bit first.
struct Layout2Data {
   int alleles = 2, bits = 8;
   bool phased = false;
   std::vector<unsigned char> ploidy;
   std::vector<uint64_t> values;

   void Sample(int samplePloidy, std::vector<uint64_t> stored, bool missing = false) {
      ploidy.push_back(static_cast<unsigned char>(samplePloidy | (missing ? 0x80 : 0)));
      values.insert(values.end(), stored.begin(), stored.end());
   }

   RawVariant Variant() const {
      RawVariant variant;
      variant.alleles.resize(static_cast<size_t>(alleles));
      std::vector<unsigned char>& d = variant.data;
      uint32_t n = static_cast<uint32_t>(ploidy.size());
      for (int i = 0; i < 4; i++) d.push_back(static_cast<unsigned char>(n >> (8 * i)));
      d.push_back(static_cast<unsigned char>(alleles));
      d.push_back(0);
      int lo = 63, hi = 0;
      for (unsigned char p : ploidy) {
         lo = std::min(lo, p & 0x3f);
         hi = std::max(hi, p & 0x3f);
      }
      d.push_back(static_cast<unsigned char>(lo));
      d.push_back(static_cast<unsigned char>(hi));
      d.insert(d.end(), ploidy.begin(), ploidy.end());
      d.push_back(phased ? 1 : 0);
      d.push_back(static_cast<unsigned char>(bits));
      unsigned __int128 word = 0;
      int held = 0;
      for (uint64_t v : values) {
         word |= static_cast<unsigned __int128>(v) << held;
         held += bits;
         while (held >= 8) {
            d.push_back(static_cast<unsigned char>(word));
            word >>= 8;
            held -= 8;
         }
      }
      if (held > 0) d.push_back(static_cast<unsigned char>(word));
      return variant;
   }

   BgenHeader Header() const {
      BgenHeader header;
      header.samples = static_cast<uint32_t>(ploidy.size());
      header.compression = BgenCompression::kNone;
      header.layout = 2;
      return header;
   }
};

// Converts; the reason when it fails.
std::string Convert(const Layout2Data& data, std::vector<MarkerSums>& sums,
                    const std::vector<char>& included = {}) {
   BgenHeader header = data.Header();
   GenotypeConverter converter(header, included);
   std::string reason;
   return converter.Convert(data.Variant(), sums, reason) ? "" : reason;
}

}  // namespace

// The expected copies of each allele after the first, for every way a
// sample's probabilities are stored.
TEST(GenotypeConverter, DosagesOfEveryShape) {
   // Diploid, two alleles, 8 bits: the byte-wise path. P(11), P(12) of
   // 255: dosages (510 - 2 x11 - x12) / 255.
   Layout2Data two;
   two.Sample(2, {255, 0});   // 0
   two.Sample(2, {0, 255});   // 1
   two.Sample(2, {0, 0});     // 2
   two.Sample(2, {51, 102});  // (510 - 102 - 102) / 255 = 1.2
   std::vector<MarkerSums> sums;
   ASSERT_EQ(Convert(two, sums), "");
   ASSERT_EQ(sums.size(), 1u);
   EXPECT_EQ(sums[0].n, 4);
   EXPECT_DOUBLE_EQ(sums[0].Sum(), 4.2);
   EXPECT_DOUBLE_EQ(sums[0].SumOfSquares(), 1 + 4 + 1.44);

   // The same samples with a haploid one beside them take the general
   // path: the diploid dosages must not change.
   Layout2Data mixed = two;
   mixed.Sample(1, {85});  // haploid: P(allele 2) = 170 / 255
   ASSERT_EQ(Convert(mixed, sums), "");
   EXPECT_EQ(sums[0].n, 5);
   EXPECT_NEAR(sums[0].Sum(), 4.2 + 2.0 / 3, 1e-9);

   // Three alleles, unphased diploid, 4 bits (D = 15), genotypes in colex
   // order 11, 12, 22, 13, 23, (33 the rest).
   Layout2Data three;
   three.alleles = 3;
   three.bits = 4;
   three.Sample(2, {0, 0, 0, 15, 0});  // 13: one copy of allele 3
   three.Sample(2, {0, 0, 0, 0, 0});   // 33: two copies of allele 3
   three.Sample(2, {0, 5, 5, 0, 5});   // 12, 22, 23 a third each
   ASSERT_EQ(Convert(three, sums), "");
   ASSERT_EQ(sums.size(), 2u);
   EXPECT_NEAR(sums[0].Sum(), (5 + 10 + 5) / 15.0, 1e-9);  // allele 2
   EXPECT_NEAR(sums[1].Sum(), 1 + 2 + 5 / 15.0, 1e-9);     // allele 3

   // Phased, three alleles: per haplotype P(allele 1), P(allele 2).
   Layout2Data phased;
   phased.alleles = 3;
   phased.phased = true;
   phased.bits = 16;
   phased.Sample(2, {65535, 0, 0, 65535});  // haplotypes 1 and 2
   phased.Sample(2, {0, 0, 0, 0});          // 3 and 3
   ASSERT_EQ(Convert(phased, sums), "");
   EXPECT_NEAR(sums[0].Sum(), 1, 1e-9);
   EXPECT_NEAR(sums[1].Sum(), 2, 1e-9);
}

// What is left out, and what cannot give a dosage.
TEST(GenotypeConverter, MissingSubsetsAndRefusals) {
   Layout2Data data;
   data.Sample(2, {0, 0});
   data.Sample(2, {255, 0}, true);  // missing: left out
   data.Sample(0, {});              // no genotype at all
   data.Sample(2, {0, 255});
   std::vector<MarkerSums> sums;
   ASSERT_EQ(Convert(data, sums), "");
   EXPECT_EQ(sums[0].n, 2);
   EXPECT_DOUBLE_EQ(sums[0].Sum(), 3);
   ASSERT_EQ(Convert(data, sums, {1, 1, 1, 0}), "");
   EXPECT_EQ(sums[0].n, 1);
   EXPECT_DOUBLE_EQ(sums[0].Sum(), 2);

   Layout2Data triploid;
   triploid.Sample(3, {0, 0, 0});
   EXPECT_EQ(Convert(triploid, sums),
             "sample 1 has ploidy 3: dosages and r2_hat are defined for haploid and diploid "
             "samples");
   triploid.ploidy[0] |= 0x80;  // a missing triploid sample is passed over
   EXPECT_EQ(Convert(triploid, sums), "");

   Layout2Data over;
   over.Sample(2, {200, 100});
   EXPECT_EQ(Convert(over, sums), "the probabilities of a sample add up to more than 1");
   over.bits = 9;  // the other paths check it too, to the last unit
   over.values = {256, 256};
   EXPECT_EQ(Convert(over, sums), "the probabilities of sample 1 add up to more than 1");
   over.Sample(1, {0});
   EXPECT_EQ(Convert(over, sums), "the probabilities of sample 1 add up to more than 1");
   over.values = {256, 255, 0};
   EXPECT_EQ(Convert(over, sums), "");

   Layout2Data cut;
   cut.bits = 16;
   cut.Sample(2, {1, 2});
   RawVariant variant = cut.Variant();
   variant.data.pop_back();
   BgenHeader header = cut.Header();
   GenotypeConverter converter(header, {});
   std::string reason;
   EXPECT_FALSE(converter.Convert(variant, sums, reason));
   EXPECT_EQ(reason, "its genotype data end before the probabilities of every sample");
}

// Every depth from 1 to 32 bits reads back what was stored, and each dosage
// is its numerator over 2^B - 1 to nine decimals; one converter takes them
// all, as the variants of one file may come, deepest first.
TEST(GenotypeConverter, EveryBitDepth) {
   Layout2Data shape;
   for (int i = 0; i < 3; i++) shape.Sample(2, {0, 0});
   const BgenHeader header = shape.Header();
   GenotypeConverter converter(header, {});
   for (int bits = 32; bits >= 1; bits--) {
      uint64_t scale = (uint64_t{1} << bits) - 1;
      Layout2Data data;
      data.bits = bits;
      data.Sample(2, {scale / 3, scale / 2});
      data.Sample(0, {});  // no genotype: adds nothing
      data.Sample(2, {0, scale});
      std::vector<MarkerSums> sums;
      std::string reason;
      ASSERT_TRUE(converter.Convert(data.Variant(), sums, reason)) << bits << reason;
      double first = static_cast<double>(2 * scale - 2 * (scale / 3) - scale / 2) / scale;
      EXPECT_NEAR(sums[0].Sum(), first + 1, 6e-10) << bits;
   }
}

// The two-allele 8-bit path sums closed forms of each sample's rounded
// dosage; over every pair of stored values, unphased and phased, it must
// give exactly the sums of the general path (forced here by one more
// sample, haploid and missing, which adds nothing); every vector width the
// processor has takes part. With a subset of the samples and missing ones,
// the masked lanes must add nothing, and a left-out sample's probabilities
// adding up to more than 1 are not its concern.
TEST(GenotypeConverter, EightBitPathMatchesTheGeneralOne) {
   for (bool phased : {false, true})
      for (bool subset : {false, true}) {
         Layout2Data fast;
         fast.phased = phased;
         // Left out, probabilities adding up to 2: in the widest vector's
         // lanes, the narrower one's and the scalar loop's.
         std::vector<size_t> leftOut;
         auto addLeftOut = [&] {
            if (!subset) return;
            leftOut.push_back(fast.ploidy.size());
            fast.Sample(2, {255, 255});
         };
         addLeftOut();
         for (uint64_t a = 0; a <= 255; a++)
            for (uint64_t b = 0; a + b <= 255 || (phased && b <= 255); b++)
               fast.Sample(2, {a, b}, subset && (a + b) % 7 == 3);
         // A tail past the widest vector's multiple: 8 samples for the
         // narrower loop and the rest for the scalar one.
         addLeftOut();
         for (uint64_t a = 0; a < 11; a++) fast.Sample(2, {a, 200});
         addLeftOut();
         std::vector<char> included;
         if (subset) {
            for (size_t i = 0; i < fast.ploidy.size(); i++) included.push_back(i % 5 != 1);
            for (size_t i : leftOut) included[i] = 0;
         }
         Layout2Data general = fast;
         general.Sample(1, {0}, true);
         if (subset) included.push_back(1);
         std::vector<MarkerSums> quick, slow;
         std::vector<char> fastIncluded(included.begin(), included.end() - (subset ? 1 : 0));
         ASSERT_EQ(Convert(fast, quick, fastIncluded), "");
         ASSERT_EQ(Convert(general, slow, included), "");
         EXPECT_EQ(quick[0].n, slow[0].n);
         EXPECT_EQ(quick[0].Sum(), slow[0].Sum());
         EXPECT_EQ(quick[0].SumOfSquares(), slow[0].SumOfSquares());
         if (subset) {
            EXPECT_LT(quick[0].n, static_cast<int64_t>(fast.ploidy.size()) * 3 / 4);
         }
      }
}
