// The map readers: centimorgan maps, sex-averaged or sex-specific, filtered
// by the markers of a data file or not, and base-pair maps; then map order
// and the map writer.
//
// Input (see PedigreeFuzz.h): flag bit 0: pass over markers without an ID;
// bit 1: a base-pair map; then a data file (any layout) and the map.
//
// Properties beyond "no crash": the markers in map order are the placed ones,
// each once, sorted by chromosome, position and creation order.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz/PedigreeFuzz.h"
#include "pedigree/PedigreeDescription.h"

namespace {

void Load(uint8_t flags, std::vector<IFILE>& inputs, const std::vector<std::string>&) {
   PedigreeDescription pd;
   pd.Load(inputs[0]);
   if (flags & 2)
      PedigreeGlobals::LoadBasepairMap(inputs[1]);
   else
      PedigreeGlobals::LoadMarkerMap(inputs[1], (flags & 1) != 0);
   IntArray ordered;
   PedigreeGlobals::GetOrderedMarkers(ordered);
   std::vector<bool> seen(PedigreeGlobals::markerCount);
   int placed = 0;
   for (int m = 0; m < PedigreeGlobals::markerCount; m++)
      placed += PedigreeGlobals::GetMarkerInfo(m)->chromosome != -1;
   LOCI_FUZZ_CHECK(ordered.Length() == placed);
   for (int i = 0; i < ordered.Length(); i++) {
      LOCI_FUZZ_CHECK(!seen[ordered[i]]);
      seen[ordered[i]] = true;
      MarkerInfo* info = PedigreeGlobals::GetMarkerInfo(ordered[i]);
      LOCI_FUZZ_CHECK(info->chromosome != -1);
      if (i > 0) {
         MarkerInfo* previous = PedigreeGlobals::GetMarkerInfo(ordered[i - 1]);
         LOCI_FUZZ_CHECK(MarkerInfo::ComparePosition(&previous, &info) <= 0);
      }
   }
   FILE* output = fopen("/dev/null", "w");
   PedigreeGlobals::WriteMapFile(output);
   fclose(output);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
   pedfuzz::Run(data, size, 2, Load);
   return 0;
}
