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

#include <sys/types.h>

#include <cstdio>
#include <memory>
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
   // The first half of Commit: writes out and closes the file, keeping its
   // temporary name; false (Reason() says why) as Commit.
   bool Close();
   // Closes and removes the temporary file.
   void Abandon();

   const std::string& Reason() const { return reason; }

private:
   void Fail(int error);

   FILE* stream = nullptr;
   std::string finalName;
   std::string temporaryName;  // empty when writing the final name directly
   std::string reason;
   int slot = -1;        // entry in the removal list for fatal errors and signals
   bool closed = false;  // by Close, awaiting Commit
};

// The outputs of one run, which never replace a file the run reads and
// appear together or not at all.
//
// Every file the run reads is named with Input (or StandardInput) before the
// outputs are opened; each output is compared by device and inode with every
// input and every other output before anything is written. CommitAll closes
// and checks every output before any takes its name, so a failed write, a
// full disk or a file-size limit on one leaves none of them behind. Failures
// are fatal errors that name the output.
class OutputSet {
public:
   // A file the run reads. Names that are empty or do not exist, and devices
   // such as /dev/null, are passed over: there is nothing to replace.
   void Input(const std::string& name);
   // Standard input, when the run reads it ("-"), shown as "(standard input)".
   void StandardInput();

   // Creates the temporary file of output `name`.
   FILE* Open(const std::string& name);

   void CommitAll();

private:
   struct Known {
      dev_t device;
      ino_t inode;
      std::string name;
   };
   struct Output {
      std::string name;
      OutputFile file;
   };
   void Check(const std::string& output) const;

   std::vector<Known> inputs;
   std::vector<std::unique_ptr<Output>> outputs;
};

#endif
