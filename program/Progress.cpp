#include "program/Progress.h"

#include <unistd.h>

#include <cstring>

ProgressLine::ProgressLine(const char* program, FILE* out, bool force)
    : program(program),
      out(out),
      enabled(force || isatty(fileno(out))),
      outputOnTerminal(isatty(fileno(stdout))),
      start(Clock::now()),
      lastShown(start) {}

int ProgressLine::FormatCount(char* line, size_t size, const char* program, const char* what,
                              long done, long total) {
   return snprintf(line, size, "%s: %s %ld of %ld", program, what, done, total);
}

int ProgressLine::FormatRead(char* line, size_t size, const char* program, const char* what,
                             uint64_t bytes, uint64_t consumed, uint64_t total, double seconds) {
   double megabytes = bytes / 1e6;
   double rate = seconds > 0 ? megabytes / seconds : 0;
   if (total > 0)
      return snprintf(line, size, "%s: read %.1f MB of %s (%d%%), %.1f MB/s", program, megabytes,
                      what, static_cast<int>(100.0 * consumed / total), rate);
   return snprintf(line, size, "%s: read %.1f MB of %s, %.1f MB/s", program, megabytes, what, rate);
}

bool ProgressLine::Due(Clock::time_point now) const {
   if (!enabled || now - start < std::chrono::seconds(1)) return false;
   return !shown || now - lastShown >= std::chrono::milliseconds(200);
}

void ProgressLine::Count(const char* what, long done, long total) {
   Clock::time_point now = Clock::now();
   if (!Due(now)) return;
   char line[160];
   FormatCount(line, sizeof line, program.c_str(), what, done, total);
   Draw(line, now);
}

void ProgressLine::Read(const char* what, uint64_t bytes, uint64_t consumed, uint64_t total) {
   Clock::time_point now = Clock::now();
   if (!Due(now)) return;
   char line[160];
   double seconds = std::chrono::duration<double>(now - start).count();
   FormatRead(line, sizeof line, program.c_str(), what, bytes, consumed, total, seconds);
   Draw(line, now);
}

void ProgressLine::Draw(const char* line, Clock::time_point now) {
   int length = static_cast<int>(strlen(line));
   fflush(stdout);
   // Pad over a longer earlier line.
   fprintf(out, "\r%-*s", width, line);
   fflush(out);
   if (length > width) width = length;
   shown = true;
   lastShown = now;
}

void ProgressLine::BeforeOutput() {
   if (outputOnTerminal) Clear();
}

void ProgressLine::Clear() {
   if (!shown) return;
   fprintf(out, "\r%*s\r", width, "");
   fflush(out);
   shown = false;
}
