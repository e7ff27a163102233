// The check of a PLINK 1 binary fileset, streamed block by block of markers:
// each block's genotypes are loaded into the pedigree's marker slots,
// checked (X-linked rules on X, autosomal ones on the autosomes, XY and
// unplaced markers; Y and MT passed over), their culprits sought, their rows
// written and the block dropped, so that memory follows persons x block.
#ifndef PED_QC_FILESET_H
#define PED_QC_FILESET_H

#include <cstdio>

#include "Findings.h"
#include "LoadWarnings.h"
#include "pedigree/Pedigree.h"
#include "pedigree/PlinkFileset.h"
#include "program/Progress.h"

// Builds the pedigree from the .fam, telling each parent added; fatal on
// structural problems.
void LoadFilesetPedigree(PlinkFileset& fileset, Pedigree& ped, std::vector<Person*>& personOf,
                         LoadWarnings& warnings);

// Markers on every kind of chromosome, after the pedigree's summary.
void PrintFilesetMarkers(const PlinkFileset& fileset);

// Checks every block, writing the .mendel rows to `mendel`; when `blanked`
// is given, the genotypes with each sole culprit's set missing (after the
// .bed's three magic bytes); when `freq` is given, every marker's allele
// frequencies by the estimator (FREQ_ALL, ...) from the genotypes as read.
// Returns the genotypes removed.
long long CheckFileset(PlinkFileset& fileset, Pedigree& ped, const std::vector<Person*>& personOf,
                       Findings& findings, FILE* mendel, FILE* blanked, FILE* freq, int estimator);

// Copies a file's bytes as they are; fatal when it cannot be read.
void CopyFile(const std::string& name, FILE* output);

#endif
