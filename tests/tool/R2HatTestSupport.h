// Runs the marker and dosage loaders in-process on files made from strings,
// and captures what they print and write.
#ifndef LOCI_TESTS_TOOL_R2HATTESTSUPPORT_H
#define LOCI_TESTS_TOOL_R2HATTESTSUPPORT_H

#include <string>

#include "tests/support/TestSupport.h"

struct R2HatRun {
   std::string stdoutText;
   std::string report;  // empty when no report file exists
   bool reportExists;
};

struct R2HatInput {
   std::string snps = {};
   std::string dosages = {};
   std::string info = {};  // no info file when empty and !withInfo
   bool withInfo = false;
   bool gzipDosages = false;
   bool gzipInfo = false;
};

// The line readers keep one process-wide line-end memory; a file holding "x"
// read to its end leaves it neutral, so each run starts alike.
void ResetLineEndMemory(const testsupport::TempDir& dir);

// Writes the inputs into `dir`, runs the loaders with prefix dir/"out" and
// returns the output. Fatal errors end the process, as in the tool.
R2HatRun RunR2Hat(const testsupport::TempDir& dir, const R2HatInput& input);

// The same without capturing standard output, for death tests (which capture
// it themselves).
void RunR2HatUncaptured(const testsupport::TempDir& dir, const R2HatInput& input,
                        const std::string& prefix);

// Replaces every "\n" with `lineEnd`.
std::string WithLineEnds(const std::string& text, const std::string& lineEnd);

#endif
