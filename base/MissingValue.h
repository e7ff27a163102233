// The marker of a real value that was never set: an unset real parameter, a
// missing vector element, a missing trait or covariate value.
//
// Compared by exact equality only; the value is chosen so that no reading of
// real data ever produces it. Defined here once; every other header that needs
// it includes this one.
#ifndef LOCI_BASE_MISSINGVALUE_H
#define LOCI_BASE_MISSINGVALUE_H

constexpr double MISSING_VALUE = 6.66666e-66;

#endif
