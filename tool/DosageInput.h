// The fast gzip source of dosage files (io/ReadAhead.h runs it, or the IFILE
// source, on a second thread while the first one parses).
//
// It delivers exactly the bytes that reading the file byte by byte through its
// IFILE would: every member of a multi-member file, trailing garbage after the
// last member ignored, as zlib does. ISA-L (when built in) decodes gzip
// several times faster than zlib; zlib through the IFILE is the fallback that
// is always built.
#ifndef LOCI_TOOL_DOSAGEINPUT_H
#define LOCI_TOOL_DOSAGEINPUT_H

#include <memory>

#include "io/ReadAhead.h"

// Whether the ISA-L decoder is built in.
bool HaveFastGzip();

// Opens `filename` again for the ISA-L decoder; null when ISA-L is not built
// in or the name is not a regular file (a pipe must not be read twice).
std::unique_ptr<BlockSource> OpenFastGzipSource(const char* filename);

#endif
