#include "Progress.h"

#include <unistd.h>

#include <cstdio>

Progress::Progress()
    : enabled(isatty(fileno(stderr))),
      outputOnTerminal(isatty(fileno(stdout))),
      start(Clock::now()),
      lastShown(start) {}

void Progress::Show(const char* what, long done, long total) {
   if (!enabled) return;
   Clock::time_point now = Clock::now();
   if (now - start < std::chrono::seconds(1)) return;
   if (now - lastShown < std::chrono::milliseconds(200)) return;
   // Standard output may share the terminal: what it holds must show first.
   fflush(stdout);
   char line[160];
   int n = snprintf(line, sizeof line, "ped_qc: %s %ld of %ld", what, done, total);
   fprintf(stderr, "\r%-*s", width, line);
   fflush(stderr);
   if (n > width) width = n;
   shown = true;
   lastShown = now;
}

void Progress::BeforeOutput() {
   if (outputOnTerminal) Clear();
}

void Progress::Clear() {
   if (!shown) return;
   fprintf(stderr, "\r%*s\r", width, "");
   fflush(stderr);
   shown = false;
}
