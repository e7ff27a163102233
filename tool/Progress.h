// A one-line progress indicator on standard error for long reads: bytes
// read, the share of the file where its size is known, and the rate. It shows
// only on a terminal, only once a read has run for a second, and is erased at
// the end, so standard output and redirected standard error stay as they are.
#ifndef LOCI_TOOL_PROGRESS_H
#define LOCI_TOOL_PROGRESS_H

#include <chrono>
#include <cstdint>
#include <cstdio>

class Progress {
public:
   // Shows on `out` when it is a terminal (or always, when `force` is set).
   explicit Progress(FILE* out = stderr, bool force = false);
   ~Progress() { Clear(); }

   // `bytes` of text read so far; `consumed` of `total` file bytes (0 when
   // the size is unknown).
   void Update(uint64_t bytes, uint64_t consumed, uint64_t total);
   void Clear();

   // The line for these figures, without the leading carriage return.
   static int Format(char* line, size_t size, uint64_t bytes, uint64_t consumed, uint64_t total,
                     double seconds);

private:
   using Clock = std::chrono::steady_clock;
   FILE* out;
   bool enabled;
   bool shown = false;
   int width = 0;
   Clock::time_point start;
   Clock::time_point lastShown;
};

#endif
