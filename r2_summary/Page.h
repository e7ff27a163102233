// The page of a run: one HTML file that holds everything an analyst shares
// (the reports read, the bins and thresholds, the pictures and the tables),
// needing no network and no script, readable on a phone and a wide screen.
// Written as well-formed XML, so that XML tools read it too.
#ifndef R2_SUMMARY_PAGE_H
#define R2_SUMMARY_PAGE_H

#include <cstdint>
#include <string>
#include <vector>

#include "Summary.h"

struct PageContents {
   std::vector<std::string> inputs;
   std::vector<int64_t> rows;  // markers read from each input
   const MafBins* bins = nullptr;
   const Cuts* thresholds = nullptr;
   // The summary: a header row, then one block of rows per input and one for all.
   Table table;
   std::string density, curves;  // the pictures, SVG elements
   std::vector<std::string> outputs;
};

std::string Page(const PageContents& contents);

#endif
