// The allele-frequency reader, then the writer in both layouts.
//
// Input (see PedigreeFuzz.h): flag bit 0: the writer's numeric layout; then
// the frequency file.
//
// Properties beyond "no crash": every marker with frequencies has at least
// two entries, allele 0 at 0, none negative, summing to 1; none has more than
// 254 alleles.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz/PedigreeFuzz.h"
#include "pedigree/PedigreeDescription.h"

namespace {

void Load(uint8_t flags, std::vector<IFILE>& inputs, const std::vector<std::string>&) {
   PedigreeDescription registryKeeper;  // the records live while it does
   PedigreeGlobals::LoadAlleleFrequencies(inputs[0]);
   for (int i = 0; i < PedigreeGlobals::markerInfoCount; i++) {
      MarkerInfo& info = *PedigreeGlobals::markerInfo[i];
      LOCI_FUZZ_CHECK(info.alleleLabels.Length() <= 255);
      if (info.freq.Length() == 0) continue;
      LOCI_FUZZ_CHECK(info.freq.Length() >= 2 && info.freq[0] == 0.0);
      double sum = 0.0;
      for (int a = 0; a < info.freq.Length(); a++) {
         LOCI_FUZZ_CHECK(info.freq[a] >= 0.0);
         sum += info.freq[a];
      }
      LOCI_FUZZ_CHECK(std::fabs(sum - 1.0) < 1e-9);
   }
   FILE* output = fopen("/dev/null", "w");
   PedigreeGlobals::WriteFreqFile(output, (flags & 1) != 0);
   fclose(output);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
   pedfuzz::Run(data, size, 1, Load);
   return 0;
}
