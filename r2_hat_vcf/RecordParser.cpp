#include "RecordParser.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

inline bool IsDigit(char c) {
   return c >= '0' && c <= '9';
}
// Where a value of a sample column ends.
inline bool EndsValue(char c) {
   return c == ',' || c == ':' || c == '\t';
}

// The sum of two values: exact where both are and it stays within the
// exact range, else a double.
DecimalText Plus(const DecimalText& a, const DecimalText& b) {
   DecimalText sum;
   sum.value = a.value + b.value;
   sum.nanos = a.nanos + b.nanos;
   const int64_t largest = 1000000000000;  // 1,000 in billionths
   sum.exact = a.exact && b.exact && sum.nanos <= largest && sum.nanos >= -largest;
   return sum;
}

// The common column: one dosage value, the field's own after `index` others,
// added to `sums`. Returns where the value ends, or null (adding nothing)
// for anything else, which the general path then reads.
inline const char* OneValue(const char* p, const char* end, int index, MarkerSums& sums) {
   for (int i = 0; i < index; i++) {
      while (p < end && *p != ':' && *p != '\t') p++;
      if (p == end || *p == '\t') return nullptr;
      p++;
   }
   DecimalText v;
   const char* stop;
   if (end - p >= 5 && IsDigit(p[0]) && p[1] == '.' && IsDigit(p[2]) && IsDigit(p[3]) &&
       IsDigit(p[4])) {
      // Three decimals, as imputation programs write them: billionths.
      v.nanos = ((p[0] - '0') * 1000 + (p[2] - '0') * 100 + (p[3] - '0') * 10 + (p[4] - '0')) *
                int64_t{1000000};
      v.exact = true;
      stop = p + 5;
   } else if ((stop = ReadPlainDecimal(p, end, v)) == nullptr) {
      return nullptr;
   }
   if (stop < end && *stop != '\t' && *stop != ':') return nullptr;
   sums.Add(v);
   return stop;
}

}  // namespace

const char* FieldName(DosageField field) {
   return field == DosageField::kDS ? "DS" : field == DosageField::kHDS ? "HDS" : "GP";
}

void RecordSums::Reset(int alternateAlleles) {
   alleles.assign(alternateAlleles, MarkerSums());
   dosage.resize(alternateAlleles);
   present.resize(alternateAlleles);
}

bool RecordSums::AddSample(const DecimalText* values, const char* missing, int count) {
   int alts = static_cast<int>(alleles.size());
   if (count == 0 || (count == 1 && missing[0])) return true;
   if (field == DosageField::kDS) {
      if (count != alts) {
         reason = std::to_string(count) + " DS values for " + std::to_string(alts) +
                  " alternate alleles";
         return false;
      }
      for (int a = 0; a < alts; a++) {
         dosage[a] = values[a];
         present[a] = !missing[a];
      }
   } else if (field == DosageField::kHDS) {
      if (alts == 0 || count % alts != 0) {
         reason = std::to_string(count) + " HDS values, not a multiple of the " +
                  std::to_string(alts) + " alternate alleles";
         return false;
      }
      for (int a = 0; a < alts; a++) {
         present[a] = 1;
         dosage[a] = values[a];
         for (int i = a + alts; i < count; i += alts) dosage[a] = Plus(dosage[a], values[i]);
         for (int i = a; i < count; i += alts)
            if (missing[i]) present[a] = 0;
      }
   } else {
      int n = alts + 1;
      bool diploid = count == n * (n + 1) / 2;
      if (!diploid && count != n) {
         reason = std::to_string(count) + " GP values, neither " + std::to_string(n * (n + 1) / 2) +
                  " (diploid) nor " + std::to_string(n) + " (haploid) for " + std::to_string(n) +
                  " alleles";
         return false;
      }
      for (int i = 0; i < count; i++)
         if (missing[i]) return true;
      for (int a = 1; a < n; a++) {
         present[a - 1] = 1;
         if (!diploid) {
            dosage[a - 1] = values[a];
            continue;
         }
         // Genotype j/k (j <= k) is entry k(k+1)/2 + j; only those carrying
         // allele a are added, so a biallelic record gives P(het) + 2 P(hom alt).
         bool first = true;
         DecimalText d;
         for (int k = 0; k < n; k++)
            for (int j = 0; j <= k; j++) {
               int copies = (j == a) + (k == a);
               if (copies == 0) continue;
               const DecimalText& p = values[k * (k + 1) / 2 + j];
               DecimalText term = copies == 1 ? p : Plus(p, p);
               d = first ? term : Plus(d, term);
               first = false;
            }
         dosage[a - 1] = d;
      }
   }
   for (int a = 0; a < alts; a++)
      if (present[a]) alleles[a].Add(dosage[a]);
   return true;
}

RecordParser::RecordParser(DosageField field, int headerSamples, std::vector<int> selected)
    : field(field), headerSamples(headerSamples), selected(std::move(selected)), sums(field) {}

bool RecordParser::Fail(std::string why) {
   reason = std::move(why);
   return false;
}

int RecordParser::FieldIndex(std::string_view format) {
   if (format == lastFormat) return lastIndex;
   lastFormat.assign(format.data(), format.size());
   lastIndex = -1;
   std::string_view name = FieldName(field);
   for (int i = 0;; i++) {
      size_t colon = format.find(':');
      if (format.substr(0, colon) == name) return lastIndex = i;
      if (colon == std::string_view::npos) return -1;
      format.remove_prefix(colon + 1);
   }
}

bool RecordParser::Parse(const char* line, size_t length) {
   const char* end = line + length;
   const char* p = line;
   std::string_view fixed[9];
   int columns = 0;
   for (; columns < 9 && p <= end; columns++) {
      const char* tab = static_cast<const char*>(memchr(p, '\t', end - p));
      const char* stop = tab != nullptr ? tab : end;
      fixed[columns] = std::string_view(p, stop - p);
      p = stop + 1;
   }
   failedSample = -1;
   // Without samples the FORMAT column may be left out.
   if (columns < (headerSamples > 0 ? 9 : 8))
      return Fail(std::to_string(columns) + " columns, fewer than the 8 fixed ones and FORMAT");
   chrom = fixed[0];
   id = fixed[2];
   ref = fixed[3];
   alt = fixed[4];
   if (fixed[1].empty() || fixed[1].size() > 15 ||
       fixed[1].find_first_not_of("0123456789") != std::string_view::npos)
      return Fail("POS [" + std::string(fixed[1]) + "] is not a position");
   pos = 0;
   for (char digit : fixed[1]) pos = pos * 10 + (digit - '0');

   alternates.clear();
   if (alt != ".")
      for (std::string_view rest = alt;;) {
         size_t comma = rest.find(',');
         alternates.push_back(rest.substr(0, comma));
         if (comma == std::string_view::npos) break;
         rest.remove_prefix(comma + 1);
      }
   sums.Reset(static_cast<int>(alternates.size()));

   int index = columns == 9 && !alternates.empty() ? FieldIndex(fixed[8]) : -1;
   size_t next = 0;  // in `selected`
   int column = 0;
   // One DS value per sample: its sums stay in `local`, handed to and taken
   // back from the general path around a column it has to read.
   bool single = index >= 0 && field == DosageField::kDS && alternates.size() == 1;
   MarkerSums local;
   std::vector<MarkerSums>& alleles = sums.MutableAlleles();
   bool every = static_cast<int>(selected.size()) == headerSamples;
   if (columns == 9 && p <= end) {
      for (;; column++) {
         if (every ? column < headerSamples : next < selected.size() && selected[next] == column) {
            next++;
            const char* stop = single ? OneValue(p, end, index, local) : nullptr;
            if (stop != nullptr) {
               p = stop;
            } else if (index >= 0) {
               if (single) alleles[0] = local;
               if ((p = AddColumn(p, end, index)) == nullptr) {
                  failedSample = column;
                  return false;
               }
               if (single) local = alleles[0];
            }
         }
         // The value read mostly ends the column.
         const char* tab =
             p < end && *p == '\t' ? p : static_cast<const char*>(memchr(p, '\t', end - p));
         if (tab == nullptr) break;
         p = tab + 1;
      }
      column++;
   }
   if (single) alleles[0] = local;
   if (column != headerSamples)
      return Fail(std::to_string(column) + " sample columns, the header names " +
                  std::to_string(headerSamples));
   return true;
}

const char* RecordParser::AddColumn(const char* p, const char* end, int index) {
   for (int i = 0; i < index; i++) {
      while (p < end && *p != ':' && *p != '\t') p++;
      if (p == end || *p == '\t') return p;  // trailing fields left out: missing
      p++;
   }
   // DS values go straight to their alleles; the other fields need the whole
   // list of the sample first.
   bool direct = field == DosageField::kDS;
   std::vector<MarkerSums>& alleles = sums.MutableAlleles();
   int alts = static_cast<int>(alleles.size());
   int count = 0;
   bool firstMissing = false;
   values.clear();
   missing.clear();
   for (;; count++) {
      DecimalText v;
      const char* stop = ReadPlainDecimal(p, end, v);
      bool dot = false;
      if (stop == nullptr || (stop < end && !EndsValue(*stop))) {
         stop = p;
         while (stop < end && !EndsValue(*stop)) stop++;
         dot = stop - p == 1 && *p == '.';
         if (!dot && !ReadDecimal(p, stop, v)) {
            Fail(std::string(FieldName(field)) + " value [" + std::string(p, stop) +
                 "] is not a number");
            return nullptr;
         }
      }
      if (count == 0) firstMissing = dot;
      if (!direct) {
         values.push_back(v);
         missing.push_back(dot);
      } else if (!dot && count < alts) {
         alleles[count].Add(v);
      }
      p = stop;
      if (p == end || *p != ',') break;
      p++;
   }
   count++;
   if (direct ? count != alts && !(count == 1 && firstMissing)
              : !sums.AddSample(values.data(), missing.data(), count)) {
      Fail(direct ? std::to_string(count) + " DS values for " + std::to_string(alts) +
                        " alternate alleles"
                  : sums.Reason());
      return nullptr;
   }
   return p;
}
