// MemoryInfo: a byte count as a short human-readable size ("<1.0 kb",
// "2.5 kb", "1.0 gb", ...) for progress and memory reports.
//
// The text lives in one process-wide String, overwritten by every call: use
// or copy it before the next call, and call from one thread at a time.
#ifndef LOCI_BASE_MEMORYINFO_H
#define LOCI_BASE_MEMORYINFO_H

#include "base/StringBasics.h"

// kb and mb figures round up to the next whole unit before the one decimal
// is printed (1024 bytes show as 2.0 kb); gb and tb figures do not.
String& MemoryInfo(double bytes);

#endif
