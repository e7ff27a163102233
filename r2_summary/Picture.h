// The picture of r2_hat against MAF: a density of markers in binned cells,
// written as SVG, so that its size does not depend on the number of markers.
//
// Cells: MAF on a log axis from 0.0005 to 0.5 in columns made of whole
// thousandths (the reports' precision), each at least 1/20 of a decade wide,
// with MAF 0 in a column apart; r2_hat in rows of 0.02 from 0 to 1, with a
// band for values above 1 and one for values below 0. Markers whose MAF is
// "-", nan or outside 0 to 0.5, and markers without a numeric r2_hat, are not
// drawn, only counted.
#ifndef R2_SUMMARY_PICTURE_H
#define R2_SUMMARY_PICTURE_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "Summary.h"

class Density {
public:
   explicit Density(const MafBins& bins);

   void Add(const ReportValue& maf, const ReportValue& r2) {
      int bin = bins.Find(maf);
      if (bin == bins.Other() || r2.kind != ReportValue::kNumber) {
         notDrawn++;
         return;
      }
      int column = 0;
      if (bin != 0) {
         int64_t thousandths = maf.thousandths < 1     ? 1
                               : maf.thousandths > 500 ? 500
                                                       : maf.thousandths;
         column = columnOf[thousandths];
      }
      int64_t r = r2.thousandths;
      int row = r < 0 ? 0 : r > 1000 ? kRows - 1 : 1 + static_cast<int>(r == 1000 ? 49 : r / 20);
      counts[column * kRows + row]++;
   }

   // Writes the picture; `inputs` are the names shown as its source.
   void WriteSvg(FILE* out, const Cuts& thresholds, const std::vector<std::string>& inputs) const;

private:
   static const int kRows = 52;  // below 0, 50 rows of 0.02, above 1

   const MafBins& bins;
   std::vector<int> columnOf;        // thousandth of MAF (1..500) -> column
   std::vector<double> columnEdges;  // in thousandths: column c spans edges c-1 .. c
   std::vector<int64_t> counts;      // column * kRows + row
   int64_t notDrawn = 0;
};

// Text made safe for XML: markup characters escaped, control characters and
// bytes that are not UTF-8 replaced by "?".
std::string XmlText(const std::string& text);

#endif
