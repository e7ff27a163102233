// The set-up shared by the pedigree toolkit's fuzz targets.
//
// An input is one flag byte, then the text of up to `files` files separated by
// the byte 0x1e (record separator); files the input does not reach are empty.
// Each file is written to the scratch folder and opened as an input file
// before the target's body runs, and closed after it, fatal or not.
//
// The registry of marker, trait, affection and covariate names is
// process-wide and keeps every name for good; it is emptied after every input
// so that each run starts alike and a kept input replays as it failed.
#ifndef LOCI_FUZZ_PEDIGREEFUZZ_H
#define LOCI_FUZZ_PEDIGREEFUZZ_H

#include <cstdint>
#include <string>
#include <vector>

#include "base/StringBasics.h"
#include "io/InputFile.h"
#include "pedigree/PedigreeGlobals.h"
#include "tests/support/Support.h"

namespace pedfuzz {

inline void ClearRegistry() {
   // Only with no pedigree object alive are the records already released.
   LOCI_FUZZ_CHECK(PedigreeGlobals::instanceCount == 0);
   PedigreeGlobals::traitCount = PedigreeGlobals::affectionCount = 0;
   PedigreeGlobals::covariateCount = PedigreeGlobals::markerCount = 0;
   for (StringArray* names : {&PedigreeGlobals::traitNames, &PedigreeGlobals::markerNames,
                              &PedigreeGlobals::covariateNames, &PedigreeGlobals::affectionNames})
      names->Clear();
   for (StringIntHash* lookup :
        {&PedigreeGlobals::markerLookup, &PedigreeGlobals::traitLookup,
         &PedigreeGlobals::affectionLookup, &PedigreeGlobals::covariateLookup})
      lookup->Clear();
   PedigreeGlobals::chromosomeX = PedigreeGlobals::sexSpecificMap = false;
}

// Runs body(flags, inputs, texts) on the input's files; a fatal error ends
// only the body. The map readers switch case sensitivity off for each header
// test: every run, fatal or not, must leave it on.
template <class Body>
void Run(const uint8_t* data, size_t size, int files, Body body) {
   testsupport::TempDir& dir = testsupport::FuzzScratch();
   if (size == 0) return;
   std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
   std::vector<IFILE> inputs;
   std::vector<std::string> texts;
   for (int i = 0; i < files; i++) {
      size_t cut = rest.find('\x1e');
      texts.push_back(rest.substr(0, cut));
      std::string name = dir.Write("file" + std::to_string(i), texts.back());
      rest = cut == std::string::npos ? "" : rest.substr(cut + 1);
      inputs.push_back(ifopen(name.c_str(), "rb"));
      LOCI_FUZZ_CHECK(!(inputs.back() == nullptr));
   }
   testsupport::ResetLineEndMemory();
   try {
      body(data[0], inputs, texts);
   } catch (const testsupport::Fatal&) {
   }
   for (IFILE& input : inputs) ifclose(input);
   LOCI_FUZZ_CHECK(String::caseSensitive);
   ClearRegistry();
}

}  // namespace pedfuzz

#endif
