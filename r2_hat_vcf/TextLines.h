// The data lines of VCF text, parsed on worker threads a chunk of whole lines
// at a time and handed on in file order.
//
// A line is one record and one thread parses it whole, adding its samples in
// column order, so every row is the one a single pass gives: the threads
// change only when a line is parsed, never a sum. Memory is bounded by the
// chunks in flight (a few MiB), whatever the number of records.
#ifndef LOCI_R2_HAT_VCF_TEXTLINES_H
#define LOCI_R2_HAT_VCF_TEXTLINES_H

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "RecordParser.h"
#include "Report.h"

// Reads up to `size` bytes into `buffer`: the count, 0 at the end of the
// data, negative on a read error.
using ReadBytes = std::function<ssize_t(char* buffer, size_t size)>;

struct TextLinesOutcome {
   enum class End { kData, kBadLine, kReadError } end = End::kData;
   int64_t lines = 0;  // lines read, a bad one included; a line cut by a read error is not
   // kBadLine: why, the sample column at fault (or -1), whether the line ends
   // the data, and whether a read error stopped the reading right after it.
   std::string reason;
   int failedSample = -1;
   bool lineEndsData = false;
   bool readErrorFollows = false;
};

// Parses every line `read` gives (a line loses its LF or CR LF; empty lines
// are counted and passed over) with `workers` threads (0: on the calling
// thread), giving each alternate allele of each record to `sink`, in order,
// on the calling thread. Stops at the first bad line or read error; the
// threads have ended when it returns.
TextLinesOutcome ParseTextLines(const ReadBytes& read, DosageField field, int headerSamples,
                                const std::vector<int>& selected, int workers,
                                const RowSink& sink);

#endif
