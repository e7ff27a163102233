// The pictures of r2_hat against MAF, written as SVG, so that their size does
// not depend on the number of markers: the density of markers in binned cells
// with the mean and median r2_hat per MAF column over it, and the same curves
// per report, to compare reports in one picture.
//
// Cells: MAF on a log axis from 0.0005 to 0.5 in columns made of whole
// thousandths (the reports' precision), each at least 1/20 of a decade wide
// and none across a MAF bin edge, with the markers below 0.0005 (printed
// 0.000) in a column apart; r2_hat in rows of 0.02 from 0 to 1, with a band
// for values above 1 and one for values below 0. Monomorphic markers, markers
// whose MAF is "-", nan or outside 0 to 0.5, and markers without a numeric
// r2_hat are not drawn, only counted.
#ifndef R2_SUMMARY_PICTURE_H
#define R2_SUMMARY_PICTURE_H

#include <cstdint>
#include <string>
#include <vector>

#include "Summary.h"

// The r2_hat values of one report (or of all) per MAF column, kept as counts
// per thousandth from 0 to 1 with one count below and one above, which gives
// the medians as drawn.
class ColumnValues {
public:
   explicit ColumnValues(int columns = 0)
       : numbers(columns), sums(columns), cells(columns * kCells) {}

   void Add(int column, const ReportValue& r2) {
      numbers[column]++;
      sums[column] += r2.value;
      int64_t t = r2.thousandths;
      cells[column * kCells + (t < 0 ? 0 : t > 1000 ? kCells - 1 : 1 + static_cast<int>(t))]++;
   }

   int64_t Numbers(int column) const { return numbers[column]; }
   double Mean(int column) const { return sums[column] / numbers[column]; }
   // The midpoint of the two middle values; below 0 and above 1 read as -0.001 and 1.001.
   double Median(int column) const;

private:
   static const int kCells = 1003;
   std::vector<int64_t> numbers;
   std::vector<double> sums;
   std::vector<int64_t> cells;  // column * kCells + cell
};

class Density {
public:
   // Reports beyond this many are in the density and the curves of all
   // reports, not drawn on their own.
   static const int kReportsCompared = 8;

   explicit Density(const MafBins& bins);

   // The markers added from now on belong to the next report as well.
   void StartReport();

   void Add(const ReportValue& maf, const ReportValue& r2) {
      int bin = bins.Find(maf, r2);
      if (bin == MafBins::kMonomorphic) {
         monomorphic++;
         return;
      }
      if (bin == bins.Other() || r2.kind != ReportValue::kNumber) {
         notDrawn++;
         return;
      }
      int column = 0;
      if (bin != MafBins::kBelowPrinted) {
         int64_t thousandths = maf.thousandths < 1     ? 1
                               : maf.thousandths > 500 ? 500
                                                       : maf.thousandths;
         column = columnOf[thousandths];
      }
      int64_t r = r2.thousandths;
      int row = r < 0 ? 0 : r > 1000 ? kRows - 1 : 1 + static_cast<int>(r == 1000 ? 49 : r / 20);
      counts[column * kRows + row]++;
      all.Add(column, r2);
      if (current >= 0 && current < kReportsCompared) reports[current].Add(column, r2);
   }

   // The density with the curves of all reports; `inputs` are the names
   // shown as its source. An SVG element, without the XML declaration.
   std::string Svg(const Cuts& thresholds, const std::vector<std::string>& inputs) const;
   // The curves of each report (the first kReportsCompared), one colour each.
   std::string CurvesSvg(const Cuts& thresholds, const std::vector<std::string>& inputs) const;

private:
   static const int kRows = 52;  // below 0, 50 rows of 0.02, above 1

   // The frame, axes, bin edges and thresholds shared by both pictures.
   void Axes(std::string& out, const Cuts& thresholds, const char* thresholdColour) const;
   void Curve(std::string& out, const ColumnValues& values, bool median, const char* colour,
              bool halo) const;
   double ColumnX(int column) const;

   const MafBins& bins;
   std::vector<int> columnOf;        // thousandth of MAF (1..500) -> column
   std::vector<double> columnEdges;  // in thousandths: column c spans edges c-1 .. c
   std::vector<int64_t> counts;      // column * kRows + row
   ColumnValues all;
   std::vector<ColumnValues> reports;
   int current = -1;
   int64_t monomorphic = 0, notDrawn = 0;
};

// Text made safe for XML: markup characters escaped, control characters and
// bytes that are not UTF-8 replaced by "?".
std::string XmlText(const std::string& text);

#endif
