// Output files that never replace an input and appear whole or not at all.
//
// The text is written to a temporary file in the directory of the final name
// and renamed over that name only by Commit, after everything was written and
// the file closed without error. A run that fails, stops with a fatal error
// or is interrupted (SIGINT, SIGTERM, SIGHUP, SIGXFSZ) removes its temporary
// file, so an earlier output of the same name survives it; a process killed
// outright leaves at most a file named NAME.tmp.XXXXXX, never a partial NAME.
//
// A final name that exists and is not a regular file (a FIFO, a terminal,
// /dev/null) is written directly, as there is nothing there to keep whole; a
// final name that is a symbolic link replaces the file it points to.
#ifndef LOCI_IO_OUTPUTFILE_H
#define LOCI_IO_OUTPUTFILE_H

#include <cstdio>
#include <string>
#include <vector>

// Whether the two names reach one file (device and inode, links followed);
// false when either does not exist.
bool SameFile(const char* a, const char* b);

// Stops the run with a fatal error naming both when `output` is the same file
// as one of `inputs`, before anything is written. Empty names are passed over.
void RefuseToReplaceInputs(const char* output, const std::vector<std::string>& inputs);

class OutputFile {
public:
   OutputFile() = default;
   ~OutputFile();  // an output never committed is removed
   OutputFile(const OutputFile&) = delete;
   OutputFile& operator=(const OutputFile&) = delete;

   // Creates the temporary file for `name`; false (Reason() says why) when
   // it cannot be created.
   bool Open(const char* name);
   FILE* Stream() const { return stream; }

   // Closes the file and gives it its final name; false (Reason() says why)
   // when any write, the close or the rename failed: the temporary file is
   // then removed and an earlier file of the final name is left as it was.
   bool Commit();
   // Closes and removes the temporary file.
   void Abandon();

   const std::string& Reason() const { return reason; }

private:
   void Fail(int error);

   FILE* stream = nullptr;
   std::string finalName;
   std::string temporaryName;  // empty when writing the final name directly
   std::string reason;
   int slot = -1;  // entry in the removal list for fatal errors and signals
};

#endif
