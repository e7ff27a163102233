// The data lines of VCF text, parsed on worker threads a chunk at a time and
// handed on in file order.
//
// A record's sums are formed by one thread, over its samples in column order,
// so every row is the one a single pass gives: the threads change only where
// a line is parsed, never a sum. The threads parse the lines that lie wholly
// inside a chunk; a line cut by a chunk's edge is put together and parsed by
// the calling thread. Memory is bounded by the chunks in flight (a few MiB)
// and the longest line, whatever the number of records.
#ifndef LOCI_R2_HAT_VCF_TEXTLINES_H
#define LOCI_R2_HAT_VCF_TEXTLINES_H

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "RecordParser.h"
#include "quality/ReportRows.h"

struct BGZF;

// Reads up to `size` bytes into `buffer`: the count, 0 at the end of the
// data, negative on a read error.
using ReadBytes = std::function<ssize_t(char* buffer, size_t size)>;

struct TextLinesOutcome {
   enum class End { kData, kBadLine, kReadError } end = End::kData;
   int64_t lines = 0;  // lines read, a bad one included; a line cut by a read error is not
   // kBadLine: why, the sample column at fault (or -1), and whether it is the
   // data's last line without a line end of its own, which may have been cut
   // short. A line cut by a read error is never parsed.
   std::string reason;
   int failedSample = -1;
   bool lineEndsData = false;
};

struct TextLinesJob {
   DosageField field;
   int headerSamples;
   std::vector<int> selected;
   int workers;  // 0: everything on the calling thread
};

// The rows of the record `parser` has just parsed, one per alternate allele,
// appended to `rows` (views into the parsed line).
void AppendRows(const RecordParser& parser, std::vector<MarkerRow>& rows);

// Parses every line `read` gives (a line loses its LF or CR LF; empty lines
// are counted and passed over), giving each alternate allele of each record
// to `sink`, in order, on the calling thread. Stops at the first bad line or
// read error; the threads have ended when it returns.
TextLinesOutcome ParseTextLines(const ReadBytes& read, const TextLinesJob& job,
                                const RowSink& sink);

// As ParseTextLines, for a BGZF stream read without htslib's threads (when
// CanInflateBgzfBlocks(), BgzfBlocks.h): the
// rest of its current block, then its further blocks read raw and inflated
// (their check sums tested) on the worker threads. A block that is cut short
// or fails to inflate ends the data with a read error after the lines before it.
TextLinesOutcome ParseBgzfLines(BGZF* stream, const TextLinesJob& job, const RowSink& sink);

#endif
