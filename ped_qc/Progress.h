// A one-line progress indicator on standard error: what ped_qc is doing and
// how far it got. It shows only on a terminal, only once the run has lasted a
// second, and is erased before anything else is printed, so standard output
// and redirected standard error stay as they are.
#ifndef PED_QC_PROGRESS_H
#define PED_QC_PROGRESS_H

#include <chrono>

class Progress {
public:
   Progress();
   ~Progress() { Clear(); }
   Progress(const Progress&) = delete;
   Progress& operator=(const Progress&) = delete;

   // "ped_qc: WHAT DONE of TOTAL"; refreshed at most five times a second.
   void Show(const char* what, long done, long total);
   void Clear();
   // Clears the line when standard output shares the terminal, before
   // something is printed there.
   void BeforeOutput();

private:
   using Clock = std::chrono::steady_clock;
   bool enabled;
   bool outputOnTerminal;
   bool shown = false;
   int width = 0;
   Clock::time_point start;
   Clock::time_point lastShown;
};

#endif
