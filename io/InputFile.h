// Input-file handle that reads gzip-compressed and plain files alike.
//
// An IFILE is a small value: copies share one stream. Only the code that opened
// a handle with `ifopen` closes it with `ifclose`; after that, other copies are
// stale. A read error (corrupt or truncated compressed data, an unreadable
// stream such as a directory) ends the input: `ifeof` then reports the end, and
// `iferror` tells the caller that the end came from an error, so a
// `while (!ifeof(f))` reader always terminates.
#ifndef LOCI_IO_INPUTFILE_H
#define LOCI_IO_INPUTFILE_H

#include <cstdio>

#include <zlib.h>

#include "io/Error.h"

class IFILE {
public:
   bool gzMode;   // true: handle is a gzFile; false: a stdio FILE*
   void* handle;  // null when opening failed or after ifclose

   IFILE() : gzMode(false), handle(nullptr) {}
   // Never fails loudly: when the file cannot be opened, handle stays null.
   IFILE(const char* name, const char* mode);

   // True only for a null pointer against a null handle: the "did opening fail"
   // test.
   bool operator==(void* p) const { return p == nullptr && handle == nullptr; }
};

IFILE ifopen(const char* name, const char* mode);

// Closes the stream and nulls the handle; returns 0 on success.
int ifclose(IFILE& file);

// Nonzero once the end of the input has been met, or a read has failed.
int ifeof(IFILE& file);

// Nonzero when the input has ended in a read error rather than at its end.
int iferror(IFILE& file);

// What went wrong when iferror is set: zlib's or the system's description.
const char* ifstrerror(IFILE& file);

// Formatted write; returns the count of bytes written (0 on failure in gzip
// mode), as vfprintf does in stdio mode.
int ifprintf(IFILE file, const char* format, ...) LOCI_PRINTF(2, 3);

// Next byte as an unsigned value, or -1 at the end or on a read error.
inline int ifgetchar(IFILE& file) {
   return file.gzMode ? gzgetc(static_cast<gzFile>(file.handle))
                      : getc(static_cast<FILE*>(file.handle));
}

inline void ifrestart(IFILE& file) {
   if (file.gzMode)
      gzrewind(static_cast<gzFile>(file.handle));
   else
      rewind(static_cast<FILE*>(file.handle));
}

#endif
