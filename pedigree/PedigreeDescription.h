// PedigreeDescription: what the data columns of a pedigree file hold. A
// pedigree file has five leading columns (family, person, father, mother,
// sex) and then the data columns declared by a data file: marker genotypes
// (two text columns each), traits, affection statuses, covariates, zygosity
// and skipped columns. Each column carries the registry ID of its item.
//
// Data files come in three layouts, recognised by Load: the one-letter
// layout ("M name", "T name", ...), the LINKAGE parameter-file layout
// (numbered loci with allele frequencies and recombination fractions, which
// become marker positions) and the MENDEL fixed-column locus-file layout. A
// base-pair map can also serve as a description of marker columns.
//
// Loading registers names in the process-wide registry and never removes
// them. Each loader replaces the columns entirely; malformed files are fatal
// through `error`, so no partial description is ever used.
#ifndef LOCI_PEDIGREE_PEDIGREEDESCRIPTION_H
#define LOCI_PEDIGREE_PEDIGREEDESCRIPTION_H

#include "base/IntArray.h"
#include "base/StringArray.h"
#include "base/StringBasics.h"
#include "io/InputFile.h"
#include "pedigree/PedigreeGlobals.h"

// Column kinds, as stored in PedigreeDescription::columns.
constexpr int pdSkip = 0;
constexpr int pdMarker = 1;
constexpr int pdTrait = 2;
constexpr int pdAffection = 3;
constexpr int pdCovariate = 4;
constexpr int pdZygosity = 5;
constexpr int pdEnd = 6;
constexpr int pdCovariateTrait = 1001;  // one value, both trait and covariate

class PedigreeDescription : public PedigreeGlobals {
public:
   int columnCount;      // data columns, the end entry not counted
   IntArray columns;     // kind of each column, then one pdEnd entry
   IntArray columnHash;  // registry ID of each entry (trait*32768+covariate for 1001)
   int mendelFormat;     // 1 when read from a MENDEL locus file
   String filename;      // set by the file-name loaders

   PedigreeDescription();
   ~PedigreeDescription();

   // Copies columnCount, columns and columnHash only.
   PedigreeDescription& operator=(const PedigreeDescription& rhs);

   // Recognises the layout and loads it; warnFormat prints which layout was
   // recognised for LINKAGE files. The file-name form is fatal when the file
   // cannot be opened.
   void Load(IFILE& input, bool warnFormat = true);
   void Load(const char* filename, bool warnFormat = true);

   void LoadLinkageDataFile(IFILE& input);
   void LoadLinkageDataFile(const char* filename);

   void LoadMendelDataFile(IFILE& input);
   void LoadMendelDataFile(const char* filename);

   // Marker columns from a base-pair map (index, name, position per line).
   void LoadMap(IFILE& input);
   void LoadMap(const char* filename);

   // Token count of the next line that has tokens after comments are cut;
   // 0 at the end of the file. buffer keeps the whole trimmed line.
   static int ReadLineHelper(IFILE& input, String& buffer, StringArray& tokens);

   // Text columns of a pedigree file: two per marker, one per other column.
   int CountTextColumns();
   int CountColumns(int kind);
   // "12 markers [x2 cols], 2 traits, 1 discrete traits" and the like.
   void ColumnSummary(String& out);

private:
   void UpdateSummary(String& out, int kind, const char* label);
};

#endif
