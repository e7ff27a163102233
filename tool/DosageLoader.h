// DosageLoader: one pass over the dosage file, accumulating per marker the sum
// of dosages, the sum of their squares and their count, then the r2_hat
// report.
//
// A dosage line is the two leading fields (DOSE_START_INDEX of them) and one
// dosage per marker, in SNP-list order. Lines with another field count are
// skipped with a notice. The report is written only after the whole input has
// been read, to a temporary file renamed to the report's name once complete:
// a run that fails leaves no report behind and an earlier one as it was; a
// report that cannot be created or written completely ends the run with
// status 1.
#ifndef LOCI_TOOL_DOSAGELOADER_H
#define LOCI_TOOL_DOSAGELOADER_H

#include "base/StringBasics.h"
#include "io/InputFile.h"
#include "tool/MarkerLoader.h"

class BlockSource;

// Leading fields of a dosage line that are not dosages; read at every use.
extern int DOSE_START_INDEX;

class DosageLoader {
public:
   // PREFIX.info with allele labels from an info file, PREFIX.r2_hat without.
   static String ReportName(const String& prefix, bool hasInfoFile);

   void DosageAnalysis(const char* filename, String& prefix, MarkerLoader& markers);
   void DosageAnalysis(IFILE file, String& prefix, MarkerLoader& markers);

private:
   void Analyse(IFILE& file, BlockSource* preferred, const char* filename, String& prefix,
                MarkerLoader& markers);
};

#endif
