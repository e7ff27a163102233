// The pedigree toolkit's process-wide registry: the names of every marker,
// trait, affection status and covariate that any loaded data file declares,
// each with a dense ID from 0 per kind, and one MarkerInfo record per marker
// name with its map position, allele labels and allele frequencies. Genetic
// and base-pair maps and allele-frequency files are read into the records and
// written back from them.
//
// Everything lives in static members, shared by every pedigree and data-file
// description of the process and not locked. Names and IDs are never removed:
// a name keeps its ID for the life of the process. A marker may have a record
// without an ID (a map or frequency file names it, no data file does) and an
// ID without a record (until the record is first asked for).
//
// The registry owns the records. Pedigree, Person and PedigreeDescription
// derive from PedigreeGlobals; when the last live object of those classes is
// destroyed, every record is released and the record index, the name table
// and the record counts are reset together, so the registry can be used again
// afterwards and hands out fresh records.
//
// Allele number 0 is missing; real alleles are numbered 1 to 254 in the order
// their labels are first met. Map positions are in Morgans (files give
// centimorgans), or in base pairs after a base-pair map.
#ifndef LOCI_PEDIGREE_PEDIGREEGLOBALS_H
#define LOCI_PEDIGREE_PEDIGREEGLOBALS_H

#include <cstdio>

#include "base/IntArray.h"
#include "base/MathVector.h"
#include "base/StringArray.h"
#include "base/StringBasics.h"
#include "base/StringHash.h"
#include "io/InputFile.h"

class MarkerInfo {
public:
   static int count;  // records ever created: the serial of the next one

   // -1 while not placed on a map; 999 for a map's name that starts with X
   // (XY too), otherwise the name's leading number (chrX reads as 0).
   int chromosome;
   double position;
   double positionMale;
   double positionFemale;
   Vector freq;  // by allele number; entry 0 (missing) is 0; empty if unknown
   String name;
   StringArray alleleLabels;  // by allele number; entry 0 is empty or "0"
   StringIntHash alleleNumbers;
   int serial;             // creation order, breaks ties in map order
   String chromosomeName;  // as the last map wrote it; empty while not placed by a map

   // Unplaced, all positions 0, no frequencies, no labels.
   explicit MarkerInfo(const String& markerName);

   // Appends a label and returns its allele number; fatal beyond 254 alleles.
   int NewAllele(const String& label);
   // Rebuilds alleleNumbers after labels were assigned directly.
   void IndexAlleles();
   // The label of an allele, set to its decimal number when it has none;
   // fatal outside 0..254.
   String GetAlleleLabel(int allele);
   // Checks freq and scales it to sum to 1; true when a notice was printed.
   bool AdjustFrequencies();
   // Whether the map put the marker on the X chromosome, named X or 23 with
   // or without "chr", in any case; XY, PAR and 25 (pseudo-autosomal) are not X.
   bool OnChromosomeX() const;
   // Chromosome, then position, then creation order: a QuickSort comparator
   // over an array of MarkerInfo pointers.
   static int ComparePosition(MarkerInfo** a, MarkerInfo** b);
};

class PedigreeGlobals {
public:
   static int traitCount;
   static int affectionCount;
   static int covariateCount;
   static int markerCount;

   // Set by the application before loading X-linked data; never by the library.
   static bool chromosomeX;
   // The last map loaded carried separate female and male positions.
   static bool sexSpecificMap;

   // A name's index is its ID.
   static StringArray traitNames, markerNames, covariateNames, affectionNames;
   static StringIntHash markerLookup, traitLookup, affectionLookup, covariateLookup;

   // Every live record, in creation order.
   static MarkerInfo** markerInfo;
   static int markerInfoCount, markerInfoSize;
   // The record of each marker ID, or null; at least markerCount slots.
   static MarkerInfo** markerInfoByInteger;
   static StringHash markerInfoByName;

   // Live objects of the derived classes.
   static int instanceCount;

   // The ID of a name, registering it when new.
   static int GetTraitID(const char* name);
   static int GetAffectionID(const char* name);
   static int GetCovariateID(const char* name);
   static int GetMarkerID(const char* name);
   // Gives a registered marker another name and a record of its own, fresh
   // (unplaced, no labels, no frequencies), so that a reader streaming its
   // markers through a fixed set of IDs reuses them block after block rather
   // than registering every marker of a file. The old name loses its ID; the
   // new name is looked up to this ID unless another ID already bears it.
   // Fatal for an ID not registered.
   static void RenameMarker(int markerID, const char* name);

   // The record of a name, created when missing.
   static MarkerInfo* GetMarkerInfo(const String& name);
   // The record of a registered marker; fatal for any other ID.
   static MarkerInfo* GetMarkerInfo(int markerID);
   static void GrowMarkerInfo();

   static bool MarkerPositionsAvailable();
   static bool AlleleFrequenciesAvailable();

   // The allele number of one allele token of a data or frequency file,
   // registering new labels; 0 for a token read as missing. A token made of
   // digits is rewritten in place as its decimal value, so "007" and "7" are
   // one allele.
   static int LoadAllele(MarkerInfo* info, String& token);
   static int LoadAllele(int markerID, String& token);

   // A centimorgan map, sex-averaged (3 fields) or sex-specific (5 fields);
   // with `filter`, markers without an ID are passed over. A file that cannot
   // be opened loads nothing; one that cannot be read to its end is fatal, as
   // for every reader below.
   static void LoadMarkerMap(const char* filename, bool filter);
   static void LoadMarkerMap(IFILE& input, bool filter);
   // A map in base pairs; a file that cannot be opened is fatal.
   static void LoadBasepairMap(const char* filename);
   static void LoadBasepairMap(IFILE& input);
   // Fatal when the female or male positions of registered markers run
   // against their sex-averaged order.
   static void VerifySexSpecificOrder();
   // Placed records in creation order; the file is not created when no
   // record is placed.
   static void WriteMapFile(FILE* output);
   static void WriteMapFile(const char* filename);

   // Leaves in `markers` (all markers when empty) those of the lowest placed
   // chromosome at or above `chromosome`, in map order; returns the next
   // chromosome, or 0. With chromosome -1, unplaced markers are reported.
   static int SortMarkersInMapOrder(IntArray& markers, int chromosome);
   // Every placed marker of the list in map order; unplaced ones are reported.
   static void GetOrderedMarkers(IntArray& markers);
   // Prints the names of the marker IDs given, sorted.
   static void FlagMissingMarkers(IntArray& missing);

   // Lines "M name", "F freq ...", "A label freq", "E" (end). With `required`
   // unset, a missing name or unopenable file loads nothing.
   static void LoadAlleleFrequencies(const char* filename, bool required);
   static void LoadAlleleFrequencies(IFILE& input);
   // Records with frequencies, in creation order; `numericLayout` writes
   // unlabelled markers as F lines. A marker's frequencies above 1e-7 are
   // rounded together to five decimals that sum to exactly 1, none to 0, so
   // that a file read back is written again unchanged.
   static void WriteFreqFile(FILE* output, bool numericLayout);
   static void WriteFreqFile(const char* filename, bool numericLayout);
   // One marker's record of WriteFreqFile; nothing for a marker without
   // frequencies.
   static void WriteMarkerFrequencies(FILE* output, MarkerInfo* info, bool numericLayout);

protected:
   // Only the derived classes are instantiated; their lifetimes are counted.
   PedigreeGlobals() { instanceCount++; }
   PedigreeGlobals(const PedigreeGlobals&) { instanceCount++; }
   PedigreeGlobals& operator=(const PedigreeGlobals&) = default;
   ~PedigreeGlobals();
};

#endif
