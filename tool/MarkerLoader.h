// MarkerLoader: the markers whose dosages the dosage file carries, in column
// order, and, when an imputation info file is given, their two allele labels.
//
// LoadMarkers must come before LoadAlleles, which checks the info file against
// the marker names. After a successful LoadAlleles, `allele1` and `allele2`
// hold exactly `markerCount` labels each: an info file that disagrees with the
// SNP list in names, in number of markers or in missing allele columns ends
// the run through `error`.
#ifndef LOCI_TOOL_MARKERLOADER_H
#define LOCI_TOOL_MARKERLOADER_H

#include <cstdio>

#include "base/StringArray.h"
#include "io/InputFile.h"

class MarkerLoader {
public:
   int markerCount;
   StringArray markerNames;
   StringArray allele1;
   StringArray allele2;
   bool hasInfoFile;  // set by the caller before LoadAlleles

   MarkerLoader();
   MarkerLoader(const MarkerLoader&) = delete;
   MarkerLoader& operator=(const MarkerLoader&) = delete;

   // The first field of every non-empty line is a marker name.
   void LoadMarkers(const char* filename);
   void LoadMarkers(FILE* file);

   // A header line, then marker name, allele 1 and allele 2 per line, in
   // SNP-list order.
   void LoadAlleles(const char* filename);
   void LoadAlleles(IFILE file);

private:
   void ReadMarkers(FILE* file, const char* filename);
   void ReadAlleles(IFILE& file, const char* filename);
};

#endif
