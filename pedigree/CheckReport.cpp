#include <cstdarg>
#include <cstdio>
#include <vector>

#include "pedigree/CheckReport_internal.h"
#include "pedigree/GenotypeLists.h"

void ReportLine::Add(const char* format, ...) {
   va_list args;
   va_start(args, format);
   text.vcatprintf(format, args);
   va_end(args);
}

void ReportLine::Print() {
   if (ped.observer != nullptr) {
      int length = text.Length();
      String shown =
          length > 0 && ((const char*)text)[length - 1] == '\n' ? text.Left(length - 1) : text;
      ped.observer->Report(CheckReport{family, marker, named, shown});
   }
   fputs(text, stdout);
}

bool Pedigree::CheckFamilyMarker(int family, int marker) {
   // Kept across calls: a search for culprits asks about one family many times.
   static std::vector<GenotypeList> lists;
   return GenotypeList::EliminateGenotypes(*this, families[family], marker, lists, false);
}
