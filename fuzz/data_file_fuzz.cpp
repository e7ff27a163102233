// The data-file readers: the one-letter, LINKAGE and MENDEL layouts and the
// base-pair map read as a description of marker columns.
//
// Input (see PedigreeFuzz.h): flag bit 0: X-linked markers; bits 1-2: the
// reader (0: the layout recognised, 1: LINKAGE, 2: MENDEL, 3: base-pair map);
// then the file.
//
// Properties beyond "no crash": a loaded description ends with its end entry
// after `columnCount` columns of known kinds, each with the ID of an item
// registered for its kind; no marker holds more than 254 alleles.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/PedigreeFuzz.h"
#include "pedigree/PedigreeDescription.h"

namespace {

bool Registered(int kind, int id) {
   switch (kind) {
      case pdSkip:
      case pdZygosity:
         return id == 0;
      case pdMarker:
         return id >= 0 && id < PedigreeGlobals::markerCount;
      case pdTrait:
         return id >= 0 && id < PedigreeGlobals::traitCount;
      case pdAffection:
         return id >= 0 && id < PedigreeGlobals::affectionCount;
      case pdCovariate:
         return id >= 0 && id < PedigreeGlobals::covariateCount;
      case pdCovariateTrait:
         return id / 32768 < PedigreeGlobals::traitCount &&
                id % 32768 < PedigreeGlobals::covariateCount;
   }
   return false;
}

void Load(uint8_t flags, std::vector<IFILE>& inputs, const std::vector<std::string>&) {
   PedigreeGlobals::chromosomeX = (flags & 1) != 0;
   PedigreeDescription pd;
   switch ((flags >> 1) & 3) {
      case 0:
         pd.Load(inputs[0]);
         break;
      case 1:
         pd.LoadLinkageDataFile(inputs[0]);
         break;
      case 2:
         pd.LoadMendelDataFile(inputs[0]);
         break;
      case 3:
         pd.LoadMap(inputs[0]);
         break;
   }
   LOCI_FUZZ_CHECK(pd.columns.Length() == pd.columnCount + 1);
   LOCI_FUZZ_CHECK(pd.columnHash.Length() == pd.columns.Length());
   LOCI_FUZZ_CHECK(pd.columns[pd.columnCount] == pdEnd && pd.columnHash[pd.columnCount] == 0);
   int textColumns = 0;
   for (int i = 0; i < pd.columnCount; i++) {
      LOCI_FUZZ_CHECK(Registered(pd.columns[i], pd.columnHash[i]));
      textColumns += pd.columns[i] == pdMarker ? 2 : 1;
   }
   LOCI_FUZZ_CHECK(pd.CountTextColumns() == textColumns);
   for (int i = 0; i < PedigreeGlobals::markerInfoCount; i++)
      LOCI_FUZZ_CHECK(PedigreeGlobals::markerInfo[i]->alleleLabels.Length() <= 255);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
   pedfuzz::Run(data, size, 1, Load);
   return 0;
}
