// Access to the line-end memory of String::ReadLine(IFILE&) for readers that
// split lines of input files by other means but must split them exactly
// alike. Not installed.
#ifndef LOCI_BASE_STRINGBASICS_INTERNAL_H
#define LOCI_BASE_STRINGBASICS_INTERNAL_H

namespace loci_internal {

// '\r' or '\n' when that byte ended the last line read from any input file
// (the other one of the pair, directly following, is then skipped); any
// other value otherwise.
int& IfileLineEnd();

}  // namespace loci_internal

#endif
