// r2_hat's progress line: the dosage text read so far, with the share of the
// file where its size is known, and the rate.
#ifndef LOCI_TOOL_PROGRESS_H
#define LOCI_TOOL_PROGRESS_H

#include <cstdint>

#include "program/Progress.h"

class Progress : public ProgressLine {
public:
   Progress() : ProgressLine("r2_hat") {}

   // `bytes` of text read so far; `consumed` of `total` file bytes (0 when
   // the size is unknown).
   void Update(uint64_t bytes, uint64_t consumed, uint64_t total) {
      Read("dosages", bytes, consumed, total);
   }
};

#endif
