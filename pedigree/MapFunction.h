// Genetic map functions: conversions between a map distance in Morgans and the
// recombination fraction between two loci, under Haldane's map function (no
// crossover interference) and under Kosambi's.
//
// The functions keep no state and report no errors. Their meaningful
// arguments are distances d >= 0 and fractions 0 <= theta <= 0.5; there the
// results are exactly those of the textbook formulas, except that 1 - 2 theta
// is floored at 1e-7, so a fraction of 0.5 or more gives a finite distance
// (8.05904782547916 Morgans under Haldane; under Kosambi 4.2028 Morgans at 0.5,
// growing slowly beyond it because the numerator 1 + 2 theta is not floored).
// Outside that range:
//   - a negative argument gives the negative of the result for its magnitude:
//     the four functions are odd, so a signed distance (a map read in the other
//     direction) converts to a signed fraction and back, bounded like the
//     positive side, instead of leaving [-0.5, 0.5] or taking the logarithm of
//     a non-positive number;
//   - the fraction for an infinite or very large distance is 0.5 under both
//     functions, where the Kosambi formula would divide two infinities;
//   - a NaN argument gives NaN.
#ifndef LOCI_PEDIGREE_MAPFUNCTION_H
#define LOCI_PEDIGREE_MAPFUNCTION_H

// Haldane: 0.5 (1 - e^(-2d)).
double DistanceToRecombination(double d);
// Haldane: -0.5 ln(max(1 - 2 theta, 1e-7)); 0 gives a negative zero.
double RecombinationToDistance(double theta);

// Kosambi: 0.5 (e^(4d) - 1) / (e^(4d) + 1).
double KosambiDistanceToRecombination(double d);
// Kosambi: 0.25 ln((1 + 2 theta) / max(1 - 2 theta, 1e-7)).
double RecombinationToKosambiDistance(double theta);

#endif
