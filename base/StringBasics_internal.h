// Access to the line-end memory of String::ReadLine(IFILE&) for readers that
// split lines of input files by other means but must split them exactly
// alike, and to the length limit of strings. Not installed.
#ifndef LOCI_BASE_STRINGBASICS_INTERNAL_H
#define LOCI_BASE_STRINGBASICS_INTERNAL_H

#include "io/InputFile.h"

namespace loci_internal {

// '\r' or '\n' when that byte ended the last line read from any input file
// (the other one of the pair, directly following, is then skipped); any
// other value otherwise.
int& IfileLineEnd();

// The most characters a String holds (and elements a StringArray): just below
// 2^31, lowered only by tests so that the limits can be met cheaply.
int& MaxStringLength();

// Ends the run: a line of the named input is longer than a String holds.
[[noreturn]] void LineTooLong(const void* stream);

// Reads past the next line of `file` exactly as String::ReadLine(IFILE&)
// would, line-end memory included, without holding it: a line that is
// discarded anyway may be longer than any string.
void SkipLine(IFILE& file);

}  // namespace loci_internal

#endif
