// What a loaded pedigree holds, printed for the person who runs the check:
// persons, founders, sexes, families and their depth, MZ twin pairs; per
// marker the genotyped persons and the alleles seen; per trait, affection
// and covariate the persons with a value.
#ifndef PED_QC_SUMMARY_H
#define PED_QC_SUMMARY_H

#include "pedigree/Pedigree.h"

void PrintSummary(Pedigree& ped);
// The persons, sexes, families and twins alone.
void PrintPedigreeSummary(Pedigree& ped);

// MZ twin pairs: later members of a twin group, counted once each.
int CountTwinPairs(Pedigree& ped);

#endif
