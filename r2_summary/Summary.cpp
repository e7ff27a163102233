#include "Summary.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

bool ParseCuts(const std::string& text, double low, double high, Cuts& cuts) {
   cuts = Cuts();
   if (text.empty()) return true;
   size_t start = 0;
   while (true) {
      size_t comma = text.find(',', start);
      std::string item =
          text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
      char* stop = nullptr;
      double value = strtod(item.c_str(), &stop);
      if (item.empty() || *stop != 0 || !(value >= low && value <= high)) return false;
      if (!cuts.values.empty() && !(value > cuts.values.back())) return false;
      cuts.values.push_back(value);
      cuts.texts.push_back(item);
      if (comma == std::string::npos) return true;
      start = comma + 1;
   }
}

MafBins::MafBins(const Cuts& cuts) : edges(cuts.values) {
   std::vector<std::string> texts = cuts.texts;
   if (edges.empty() || edges.back() < 0.5) {
      edges.push_back(0.5);
      texts.push_back("0.5");
   }
   for (double edge : edges) {
      double thousandths = std::round(edge * 1000);
      if (std::fabs(edge * 1000 - thousandths) > 1e-6) {
         printedEdges.clear();
         break;
      }
      printedEdges.push_back(static_cast<int>(thousandths));
   }
   labels = {"monomorphic", "< 0.0005"};
   if (!printedEdges.empty()) {
      // A printed MAF t stands for t - 0.0005 up to t + 0.0005.
      auto half = [](int thousandths) {
         char text[24];
         snprintf(text, sizeof text, "%.4f", (thousandths + 0.5) / 1000);
         std::string trimmed = text;
         return trimmed.substr(0, trimmed.find_last_not_of('0') + 1);
      };
      int lower = 0;
      for (int upper : printedEdges) {
         labels.push_back("[" + half(lower) + "," +
                          (upper == 500 ? std::string("0.5]") : half(upper) + ")"));
         lower = upper;
      }
   } else {
      std::string lower = "[0.0005";
      for (const std::string& upper : texts) {
         labels.push_back(lower + "," + upper + "]");
         lower = "(" + upper;
      }
   }
   labels.push_back("other");
}

namespace {

std::string Integer(int64_t n) {
   return std::to_string(n);
}

// Ten-thousandths as a decimal with four places.
std::string FourPlaces(int64_t tenThousandths) {
   char text[48];
   uint64_t magnitude = tenThousandths < 0 ? 0 - static_cast<uint64_t>(tenThousandths)
                                           : static_cast<uint64_t>(tenThousandths);
   snprintf(text, sizeof text, "%s%llu.%04llu", tenThousandths < 0 ? "-" : "",
            static_cast<unsigned long long>(magnitude / 10000),
            static_cast<unsigned long long>(magnitude % 10000));
   return text;
}

}  // namespace

Summary::Summary(const MafBins& bins_, const Cuts& thresholds_)
    : mafBins(bins_), thresholds(thresholds_), bins(bins_.Count()) {
   for (Bin& bin : bins) {
      bin.passing.assign(thresholds.values.size(), 0);
      bin.cells.assign(kCells, 0);
   }
}

void Summary::Bin::Merge(const Bin& other) {
   markers += other.markers;
   missing += other.missing;
   nan += other.nan;
   numbers += other.numbers;
   sum += other.sum;
   for (size_t t = 0; t < passing.size(); t++) passing[t] += other.passing[t];
   for (size_t c = 0; c < cells.size(); c++) cells[c] += other.cells[c];
   for (const auto& entry : other.outliers) outliers[entry.first] += entry.second;
}

int64_t Summary::Bin::Value(int64_t rank) const {
   auto below = outliers.begin();
   for (; below != outliers.end() && below->first < kLowest; ++below) {
      if (rank < below->second) return below->first;
      rank -= below->second;
   }
   for (int64_t c = 0; c < kCells; c++) {
      if (rank < cells[c]) return c + kLowest;
      rank -= cells[c];
   }
   for (auto above = below; above != outliers.end(); ++above) {
      if (rank < above->second) return above->first;
      rank -= above->second;
   }
   abort();  // ranks are below the count of numbers
}

void Summary::Merge(const Summary& other) {
   for (size_t b = 0; b < bins.size(); b++) bins[b].Merge(other.bins[b]);
}

int64_t Summary::Markers() const {
   int64_t markers = 0;
   for (const Bin& bin : bins) markers += bin.markers;
   return markers;
}

Table Summary::Header() const {
   std::vector<std::string> header = {"input", "MAF", "markers", "r2_missing", "r2_nan"};
   for (const std::string& text : thresholds.texts) header.push_back("r2>=" + text);
   header.push_back("mean_r2");
   header.push_back("median_r2");
   return {header};
}

std::vector<std::string> Summary::Row(const Bin& bin) const {
   std::vector<std::string> row = {Integer(bin.markers), Integer(bin.missing), Integer(bin.nan)};
   for (int64_t passing : bin.passing) row.push_back(Integer(passing));
   if (bin.numbers == 0) {
      row.push_back("-");
      row.push_back("-");
      return row;
   }
   // The mean in ten-thousandths, rounded half away from zero.
   __int128 twice = bin.sum * 20, n = bin.numbers;
   __int128 mean = twice >= 0 ? (twice + n) / (2 * n) : -((-twice + n) / (2 * n));
   row.push_back(FourPlaces(static_cast<int64_t>(mean)));
   // The midpoint of the two middle values, exact in ten-thousandths.
   int64_t middle = bin.Value((bin.numbers - 1) / 2) + bin.Value(bin.numbers / 2);
   row.push_back(FourPlaces(middle * 5));
   return row;
}

void Summary::AppendRows(const std::string& input, Table& table) const {
   Bin all = bins[0];
   for (size_t b = 1; b < bins.size(); b++) all.Merge(bins[b]);
   for (size_t b = 0; b <= bins.size(); b++) {
      std::vector<std::string> row = {input, b < bins.size() ? mafBins.Label(b) : "all"};
      std::vector<std::string> numbers = Row(b < bins.size() ? bins[b] : all);
      row.insert(row.end(), numbers.begin(), numbers.end());
      table.push_back(row);
   }
}

std::string TabSeparated(const Table& table) {
   std::string text;
   for (const auto& row : table) {
      for (size_t c = 0; c < row.size(); c++) text += (c ? "\t" : "") + row[c];
      text += "\n";
   }
   return text;
}

std::string Aligned(const Table& table) {
   std::vector<size_t> widths;
   for (const auto& row : table)
      for (size_t c = 0; c < row.size(); c++) {
         if (widths.size() <= c) widths.push_back(0);
         if (row[c].size() > widths[c]) widths[c] = row[c].size();
      }
   std::string text;
   for (const auto& row : table) {
      std::string line;
      for (size_t c = 0; c < row.size(); c++) {
         // Names and bins read from the left, numbers from the right.
         std::string pad(widths[c] - row[c].size(), ' ');
         line += c < 2 ? row[c] + pad + "  " : pad + row[c] + "  ";
      }
      text += line.substr(0, line.find_last_not_of(' ') + 1) + "\n";
   }
   return text;
}
