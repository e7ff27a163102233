// The r2_hat report and its notices computed from first principles, straight
// from the bytes of the dosage file: a line ends at LF, CR, CR LF or LF CR (a
// pair counts once, also when its first byte ended the file read before),
// blanks and tabs separate fields, a dosage is atof of its field, and each row
// follows the report's formulas and formats. Shared by the randomized test and
// the fuzz target, so both judge the tool by one independent computation.
#ifndef LOCI_TESTS_TOOL_R2HATORACLE_H
#define LOCI_TESTS_TOOL_R2HATORACLE_H

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace r2hatoracle {

struct Sums {
   std::vector<double> sum, sumsq;
   std::vector<int64_t> count;
   explicit Sums(size_t markers) : sum(markers), sumsq(markers), count(markers) {}
};

// The lines of `text` as the line reader returns them until the end, the empty
// read at the end included; `last` is the line-end memory, carried in and out.
inline std::vector<std::string> Lines(const std::string& text, int& last) {
   std::vector<std::string> lines(1);
   for (char c : text) {
      bool lineEnd = c == '\n' || c == '\r';
      if (lineEnd && last == (c == '\n' ? '\r' : '\n')) {
         last = 0;
         continue;
      }
      if (lineEnd)
         lines.emplace_back();
      else
         lines.back() += c;
      last = c;
   }
   return lines;
}

// Adds the dosages of every line of `text` that has one per marker after
// `doseStart` leading fields; returns the notices of the other lines.
inline std::string Accumulate(const std::string& text, int doseStart, int last, Sums& s) {
   std::string notices;
   long markers = static_cast<long>(s.count.size());
   std::vector<std::string> lines = Lines(text, last);
   for (size_t l = 0; l < lines.size(); l++) {
      std::vector<std::string> fields;
      std::string field;
      for (char c : lines[l] + ' ') {
         if (c != ' ' && c != '\t') {
            field += c;
         } else if (!field.empty()) {
            fields.push_back(field);
            field.clear();
         }
      }
      long m = static_cast<long>(fields.size()) - doseStart;
      if (fields.empty()) continue;
      if (m != markers) {
         notices += "Skipped line " + std::to_string(l + 1) + " in dosagefile contains " +
                    std::to_string(m) + " markers != " + std::to_string(markers) + " in snpsfile\n";
         continue;
      }
      for (long i = 0; i < markers; i++) {
         double d = atof(fields[doseStart + i].c_str());
         s.sum[i] += d;
         s.sumsq[i] += d * d;
         s.count[i]++;
      }
   }
   return notices;
}

// "%.3f", a not-a-number without its sign.
inline std::string Fixed3(double x) {
   char text[400];
   snprintf(text, sizeof text, "%.3f", std::isnan(x) ? std::fabs(x) : x);
   return text;
}

// The report; `alleles` (two per marker) selects the info layout.
inline std::string Report(const std::vector<std::string>& names,
                          const std::vector<std::string>* alleles, const Sums& s) {
   std::string report = alleles != nullptr ? "SNP\tAl1\tAl2\tFreq1\tMAF\tnIndiv\tr2_hat\n"
                                           : "Marker\tnIndiv\tFreq1\tMAF\tR2_hat\n";
   for (size_t i = 0; i < names.size(); i++) {
      int64_t n = s.count[i];
      std::string freq1 = "-", maf = "-", r2 = "-";
      if (n > 1) {
         double p = (s.sum[i] / 2.0) / n;
         double q = 1.0 - p;
         double var = (s.sumsq[i] - (s.sum[i] * s.sum[i]) / n) / (n - 1);
         freq1 = Fixed3(q);
         maf = Fixed3(q > p ? p : q);
         if (p != 0.0 && p != 1.0) r2 = Fixed3(((var / 2.0) / p) / q);
      }
      if (alleles != nullptr)
         report += names[i] + "\t" + (*alleles)[2 * i] + "\t" + (*alleles)[2 * i + 1] + "\t" +
                   freq1 + "\t" + maf + "\t" + std::to_string(n) + "\t" + r2 + "\n";
      else
         report +=
             names[i] + "\t" + std::to_string(n) + "\t" + freq1 + "\t" + maf + "\t" + r2 + "\n";
   }
   return report;
}

}  // namespace r2hatoracle

#endif
