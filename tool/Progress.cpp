#include "tool/Progress.h"

#include <unistd.h>

Progress::Progress(FILE* out, bool force)
    : out(out), enabled(force || isatty(fileno(out))), start(Clock::now()), lastShown(start) {}

int Progress::Format(char* line, size_t size, uint64_t bytes, uint64_t consumed, uint64_t total,
                     double seconds) {
   double megabytes = bytes / 1e6;
   double rate = seconds > 0 ? megabytes / seconds : 0;
   if (total > 0)
      return snprintf(line, size, "r2_hat: read %.1f MB of dosages (%d%%), %.1f MB/s", megabytes,
                      static_cast<int>(100.0 * consumed / total), rate);
   return snprintf(line, size, "r2_hat: read %.1f MB of dosages, %.1f MB/s", megabytes, rate);
}

void Progress::Update(uint64_t bytes, uint64_t consumed, uint64_t total) {
   if (!enabled) return;
   Clock::time_point now = Clock::now();
   if (now - start < std::chrono::seconds(1)) return;
   if (shown && now - lastShown < std::chrono::milliseconds(200)) return;
   char line[128];
   double seconds = std::chrono::duration<double>(now - start).count();
   int n = Format(line, sizeof line, bytes, consumed, total, seconds);
   // Pad over a longer earlier line.
   fprintf(out, "\r%-*s", width, line);
   fflush(out);
   if (n > width) width = n;
   shown = true;
   lastShown = now;
}

void Progress::Clear() {
   if (!shown) return;
   fprintf(out, "\r%*s\r", width, "");
   fflush(out);
   shown = false;
}
