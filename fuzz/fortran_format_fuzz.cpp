// The FORTRAN format reader: a statement and the records it reads.
//
// Input (see PedigreeFuzz.h): flag bits 0-4: fields to read less one; bit 5:
// flush before every third field; bit 6: read fields as characters, bit 7:
// as integers (both: alternately); then the statement and the records.
//
// Properties beyond "no crash": every field comes back trimmed.
#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/PedigreeFuzz.h"
#include "pedigree/FortranFormat.h"

namespace {

bool Blank(char c) {
   return isspace(static_cast<unsigned char>(c)) != 0;
}

void Read(uint8_t flags, std::vector<IFILE>& inputs, const std::vector<std::string>& texts) {
   String statement;
   for (char c : texts[0]) statement += c;
   FortranFormat format;
   format.SetInputFile(inputs[1]);
   format.SetFormat(statement);
   String field;
   for (int i = 0; i <= (flags & 31); i++) {
      if ((flags & 32) && i % 3 == 2) format.Flush();
      int as = (flags >> 6) == 3 ? 1 + i % 2 : flags >> 6;
      if (as == 1) {
         LOCI_FUZZ_CHECK(!Blank(format.GetNextCharacter()));
      } else if (as == 2) {
         format.GetNextInteger();
      } else {
         format.GetNextField(field);
         LOCI_FUZZ_CHECK(field.IsEmpty() ||
                         (!Blank(field[0]) && !Blank(field[field.Length() - 1])));
      }
   }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
   pedfuzz::Run(data, size, 2, Read);
   return 0;
}
