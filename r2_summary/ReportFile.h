// Reading a report, in either layout, plain or gzip-compressed.
//
// A report is a header line naming its columns, then one row per marker. Of
// each row only the MAF and r2_hat columns are read. Fields are separated by
// single tabs; a carriage return before the line feed is dropped; empty lines
// are passed over. The file is read in blocks, at most one unfinished line
// held between them, so memory depends on the longest line, not on the file.
#ifndef R2_SUMMARY_REPORTFILE_H
#define R2_SUMMARY_REPORTFILE_H

#include <cstdint>

#include "Picture.h"
#include "Summary.h"
#include "io/InputFile.h"

// Adds every row of the named report to `summary` and `density`; returns the
// number of rows. A file that cannot be opened or read to its end, whose
// first line is not a report header, or with a row that does not fit its
// header ends the run through `error`, naming the file (and the line).
int64_t ReadReport(const char* name, Summary& summary, Density& density);
// The same on an open input, read to its end and left open; `name` is for
// the messages.
int64_t ReadReport(IFILE& file, const char* name, Summary& summary, Density& density);

#endif
