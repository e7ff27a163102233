// r2_hat_bgen's reader and genotype conversion on arbitrary files.
//
// Input layout: the bytes of a BGEN file, whole. The file is opened, its
// variants read (at most 64) and each converted, every sample included and
// then every other one.
//
// Properties: reading ends without fault (damage ends the run through
// `error`, never a crash or a hang); a converted variant has one row of sums
// per allele after the first, none counting more samples than were included.
#include <cstdint>
#include <string>
#include <vector>

#include "BgenFile.h"
#include "Genotypes.h"
#include "tests/support/Support.h"

namespace {

void Run(const std::string& path) {
   BgenFile bgen(path);
   const BgenHeader& header = bgen.Header();
   // Keeps the scratch state small whatever the header claims.
   if (header.samples > 4096) return;
   std::vector<char> everyOther(header.samples);
   for (size_t i = 0; i < everyOther.size(); i += 2) everyOther[i] = 1;
   GenotypeConverter all(header, {}), half(header, everyOther);
   RawVariant variant;
   std::vector<MarkerSums> sums;
   std::string reason;
   for (int read = 0; read < 64 && bgen.Next(variant); read++) {
      for (GenotypeConverter* converter : {&all, &half}) {
         if (!converter->Convert(variant, sums, reason)) {
            LOCI_FUZZ_CHECK(!reason.empty());
            continue;
         }
         LOCI_FUZZ_CHECK(sums.size() + 1 == variant.alleles.size());
         for (const MarkerSums& allele : sums)
            LOCI_FUZZ_CHECK(allele.n >= 0 && allele.n <= static_cast<int64_t>(header.samples));
      }
   }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
   std::string path = testsupport::FuzzScratch().Write(
       "input.bgen", std::string(reinterpret_cast<const char*>(data), size));
   try {
      Run(path);
   } catch (const testsupport::Fatal&) {
      // Damage reported through `error`: the run would end there, cleanly.
   }
   return 0;
}
