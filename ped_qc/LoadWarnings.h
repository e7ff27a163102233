// What the library's loader settles without a word, told on standard output
// as it is, and counted for the summary: a person whose named parents are not
// in the family is read as a founder (and never checked against them), and a
// later pedigree file of a merge replaces a person's sex or parents. The
// library's reading is kept; only the silence is not.
#ifndef PED_QC_LOADWARNINGS_H
#define PED_QC_LOADWARNINGS_H

#include "pedigree/Pedigree.h"

class LoadWarnings : public MergeObserver {
public:
   // One line per conflict, while the files are read.
   void Conflict(const MergeConflict& conflict) override;
   // One line per founder that names a father or mother absent from its
   // family; call once the pedigree is loaded.
   void FindAbsentParents(Pedigree& ped);

   int mergeConflicts = 0;
   int absentParents = 0;  // persons, not parents
   // Read from a PLINK fileset: parents added untyped, and markers on Y or MT.
   int addedParents = 0;
   long long markersPassedOver = 0;
};

#endif
