// A program's one progress line on standard error: what it is doing and how
// far it got, as "PROGRAM: ..." The line shows only on a terminal, only once
// the work has lasted a second, at most five times a second, and is erased at
// the end, so standard output and a redirected standard error stay as they
// are. Standard output is flushed before the line is drawn, so that what it
// holds shows first when both share the terminal.
//
// One object per piece of work, used from one thread.
#ifndef LOCI_PROGRAM_PROGRESS_H
#define LOCI_PROGRAM_PROGRESS_H

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

class ProgressLine {
public:
   // Shows on `out` when it is a terminal (or always, when `force` is set).
   explicit ProgressLine(const char* program, FILE* out = stderr, bool force = false);
   ~ProgressLine() { Clear(); }
   ProgressLine(const ProgressLine&) = delete;
   ProgressLine& operator=(const ProgressLine&) = delete;

   // "PROGRAM: WHAT DONE of TOTAL".
   void Count(const char* what, long done, long total);
   // "PROGRAM: read X MB of WHAT (P%), R MB/s": `bytes` of text read so far,
   // `consumed` of `total` file bytes (0 when the size is unknown, and then
   // without the share).
   void Read(const char* what, uint64_t bytes, uint64_t consumed, uint64_t total);
   // Erases the line.
   void Clear();
   // Erases the line when standard output shares its terminal; call before
   // printing there.
   void BeforeOutput();

   // The lines, without the leading carriage return; snprintf's result.
   static int FormatCount(char* line, size_t size, const char* program, const char* what, long done,
                          long total);
   static int FormatRead(char* line, size_t size, const char* program, const char* what,
                         uint64_t bytes, uint64_t consumed, uint64_t total, double seconds);

private:
   using Clock = std::chrono::steady_clock;

   // Whether a line may be drawn now.
   bool Due(Clock::time_point now) const;
   void Draw(const char* line, Clock::time_point now);

   std::string program;
   FILE* out;
   bool enabled;
   bool outputOnTerminal;
   bool shown = false;
   int width = 0;
   Clock::time_point start;
   Clock::time_point lastShown;
};

#endif
