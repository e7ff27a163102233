// Reading the dosages of a VCF or BCF file with htslib: plain VCF, VCF
// compressed with gzip or bgzip (BGZF blocks inflated on the threads that
// parse the text, or on htslib's), BCF, from a file or from standard input
// ("-"), optionally only a region through the file's index and only a subset
// of the samples.
//
// Records stream: memory holds the header, the sample subset and one record
// (for VCF text read whole, a few chunks of lines parsed on threads, see
// TextLines.h), whatever the number of markers. VCF text is split by
// RecordParser, so its numbers are converted exactly as atof converts them;
// BCF stores 32-bit floats, which are the data and are taken as they are.
//
// Every fault of the input ends the run through `error`, naming the file and
// the line (VCF read whole) or the record (BCF, or a region).
#ifndef LOCI_R2_HAT_VCF_VCFREADER_H
#define LOCI_R2_HAT_VCF_VCFREADER_H

#include <cstdint>
#include <string>

#include "RecordParser.h"
#include "quality/ReportRows.h"

struct VcfRequest {
   std::string file;         // "-": standard input
   std::string field;        // DS, HDS or GP; empty: DS, else HDS, else GP
   std::string samplesFile;  // names one per line; empty: every sample
   std::string region;       // CHR, CHR:FROM or CHR:FROM-TO; empty: the whole file
   int threads = 0;          // threads that parse text and inflate blocks
};

struct VcfCounts {
   DosageField field = DosageField::kDS;
   int headerSamples = 0;
   int samples = 0;  // those whose dosages are added
   int64_t records = 0;
   int64_t rows = 0;
};

// Stops the run with a fatal error when `region` (CHR, CHR:FROM, CHR:FROM-,
// CHR:-TO or CHR:FROM-TO, digits grouped by commas or not) selects nothing,
// or names positions no index can hold.
void CheckRegion(const std::string& region);

// Reads the whole input (the region's records whose POS lies in it), giving
// each alternate allele of each record to `sink` in file order.
VcfCounts ReadVcf(const VcfRequest& request, const RowSink& sink);

#endif
