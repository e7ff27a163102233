// The reports of the twin and inheritance checks: each is built whole, shown
// to the pedigree's observer, then printed exactly as built.
#ifndef LOCI_PEDIGREE_CHECKREPORT_INTERNAL_H
#define LOCI_PEDIGREE_CHECKREPORT_INTERNAL_H

#include "base/IntArray.h"
#include "base/StringBasics.h"
#include "io/Error.h"
#include "pedigree/Pedigree.h"

class ReportLine {
public:
   ReportLine(Pedigree& ped, int family, int marker) : ped(ped), family(family), marker(marker) {}

   void Name(const Person& person) { named.Append(person.serial); }
   void Add(const char* format, ...) LOCI_PRINTF(2, 3);
   void Print();
   int Length() const { return text.Length(); }

private:
   Pedigree& ped;
   int family, marker;
   IntArray named;
   String text;
};

#endif
