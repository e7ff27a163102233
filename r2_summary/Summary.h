// Per-MAF-bin summary of the r2_hat values of one or more reports.
//
// Memory does not grow with the number of markers: every bin keeps counts per
// thousandth of r2_hat over the range dosages between 0 and 2 can give
// (-1 to 5), which yields exact medians because reports print three decimals.
// Values outside that range, which only dosages outside 0 to 2 produce, are
// kept one entry per distinct value.
#ifndef R2_SUMMARY_SUMMARY_H
#define R2_SUMMARY_SUMMARY_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ReportValue.h"

// An increasing list of numbers given on the command line, with the texts
// they were given as (used for labels, so that they read as typed).
struct Cuts {
   std::vector<double> values;
   std::vector<std::string> texts;
};

// Splits `text` at commas; false when an item is not a number, or the list is
// not strictly increasing or leaves the range [low, high].
bool ParseCuts(const std::string& text, double low, double high, Cuts& cuts);

// The MAF bins, which follow what a MAF printed with three decimals can say:
// monomorphic markers (MAF 0 and r2_hat "-") apart, then the polymorphic
// markers below 0.0005 (printed 0.000), then the bins ending at the edges e1,
// e2, ... up to 0.5 (a MAF m falls in the first bin whose edge is at least
// m), then the markers whose MAF is "-", nan or outside 0 to 0.5. With edges
// of whole thousandths a bin is labelled by the MAF range its printed values
// stand for: printed 0.002 to 0.005 is [0.0015,0.0055).
class MafBins {
public:
   explicit MafBins(const Cuts& edges);  // edges above 0, at most 0.5, increasing

   static const int kMonomorphic = 0, kBelowPrinted = 1;
   int Count() const { return static_cast<int>(labels.size()); }
   int Other() const { return Count() - 1; }
   const std::string& Label(int bin) const { return labels[bin]; }
   const std::vector<double>& Edges() const { return edges; }
   // The bins' edges in thousandths of the printed MAF, or empty when an edge
   // is finer than a thousandth.
   const std::vector<int>& PrintedEdges() const { return printedEdges; }

   int Find(const ReportValue& maf, const ReportValue& r2) const {
      if (maf.kind != ReportValue::kNumber || !(maf.value >= 0)) return Other();
      if (maf.value == 0 && r2.kind == ReportValue::kMissing) return kMonomorphic;
      if (maf.value < 0.0005) return kBelowPrinted;
      for (size_t i = 0; i < edges.size(); i++)
         if (maf.value <= edges[i]) return static_cast<int>(i) + 2;
      return Other();
   }

private:
   std::vector<double> edges;  // upper edges of the bins after 0.0005, the last 0.5
   std::vector<int> printedEdges;
   std::vector<std::string> labels;
};

// A table of text cells, written tab-separated to files and aligned for reading.
using Table = std::vector<std::vector<std::string>>;
std::string TabSeparated(const Table& table);
std::string Aligned(const Table& table);

class Summary {
public:
   Summary(const MafBins& bins, const Cuts& thresholds);

   void Add(const ReportValue& maf, const ReportValue& r2) {
      Bin& bin = bins[mafBins.Find(maf, r2)];
      bin.markers++;
      if (r2.kind != ReportValue::kNumber) {
         (r2.kind == ReportValue::kMissing ? bin.missing : bin.nan)++;
         return;
      }
      for (size_t t = 0; t < thresholds.values.size(); t++)
         if (r2.value >= thresholds.values[t]) bin.passing[t]++;
      bin.sum += r2.thousandths;
      bin.numbers++;
      int64_t cell = r2.thousandths - kLowest;
      if (cell >= 0 && cell < kCells)
         bin.cells[cell]++;
      else
         bin.outliers[r2.thousandths]++;
   }

   void Merge(const Summary& other);
   int64_t Markers() const;

   // The header row of AppendRows.
   Table Header() const;
   // One row per MAF bin, then one for every bin together, labelled `input`.
   void AppendRows(const std::string& input, Table& table) const;

private:
   static constexpr int64_t kLowest = -1000;  // thousandths
   static constexpr int64_t kCells = 6001;    // up to 5.000

   struct Bin {
      int64_t markers = 0, missing = 0, nan = 0, numbers = 0;
      std::vector<int64_t> passing;
      __int128 sum = 0;  // thousandths
      std::vector<int64_t> cells;
      std::map<int64_t, int64_t> outliers;  // thousandths -> count

      void Merge(const Bin& other);
      int64_t Value(int64_t rank) const;  // thousandths of the value at rank (from 0)
   };

   std::vector<std::string> Row(const Bin& bin) const;

   const MafBins& mafBins;
   const Cuts& thresholds;
   std::vector<Bin> bins;
};

#endif
