// Allele counting, allele-frequency estimation and lumping of rare alleles
// for the markers of a loaded pedigree.
#ifndef LOCI_PEDIGREE_PEDIGREEALLELEFREQ_H
#define LOCI_PEDIGREE_PEDIGREEALLELEFREQ_H

class Pedigree;

// Estimators: all genotypes, founder genotypes, observed alleles equally frequent.
constexpr int FREQ_ALL = 0;
constexpr int FREQ_FOUNDERS = 1;
constexpr int FREQ_EQUAL = 2;

// Number of allele labels of the marker beyond the missing allele.
int CountAlleles(Pedigree& ped, int marker);
// True when it set new frequencies; known frequencies are validated (fatal
// when the pedigree contradicts them) and kept.
bool EstimateFrequencies(Pedigree& ped, int marker, int estimator);
// Renumbers alleles by decreasing count (or by label when !byFrequency) and
// merges those carried at most threshold * total times into "OTHER".
void LumpAlleles(Pedigree& ped, int marker, double threshold, bool byFrequency);

#endif
