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

// Powers of ten that are exact doubles.
const double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                               1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                               1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// [-]digits[.digits][e[+-]digits] with at most 15 digits and a power of ten
// up to 1e22: mantissa and power are exact doubles, so one multiplication or
// division is correctly rounded, as strtod is. Returns the end of the number,
// or null when the text needs strtod.
inline const char* FastDecimal(const char* p, const char* end, double& value) {
   bool negative = p < end && *p == '-';
   if (negative) p++;
   // Digits past the 15th send the number to strtod; they are not added, so
   // that a long run of them cannot overflow the mantissa.
   int64_t mantissa = 0;
   ptrdiff_t digits = 0, fractionDigits = 0;
   for (; p < end && IsDigit(*p); p++)
      if (++digits <= 15) mantissa = mantissa * 10 + (*p - '0');
   if (p < end && *p == '.') {
      const char* fraction = ++p;
      for (; p < end && IsDigit(*p); p++)
         if (++digits <= 15) mantissa = mantissa * 10 + (*p - '0');
      fractionDigits = p - fraction;
   }
   if (digits == 0 || digits > 15) return nullptr;
   int scale = -static_cast<int>(fractionDigits);
   if (p < end && (*p == 'e' || *p == 'E')) {
      p++;
      bool down = p < end && *p == '-';
      if (p < end && (*p == '-' || *p == '+')) p++;
      int exponent = 0;
      const char* first = p;
      while (p < end && IsDigit(*p) && exponent < 1000) exponent = exponent * 10 + (*p++ - '0');
      if (p == first || (p < end && IsDigit(*p))) return nullptr;
      scale += down ? -exponent : exponent;
   }
   if (scale < -22 || scale > 22) return nullptr;
   double magnitude = static_cast<double>(mantissa);
   magnitude = scale < 0 ? magnitude / kExactPowers[-scale] : magnitude * kExactPowers[scale];
   value = negative ? -magnitude : magnitude;
   return p;
}

// d.ddd as doubles, computed as FastDecimal computes them; looked up, they
// spare a division per dosage.
struct Thousandths {
   double value[10000];
   Thousandths() {
      for (int m = 0; m < 10000; m++) value[m] = m / kExactPowers[3];
   }
   double operator[](int m) const { return value[m]; }
};
const Thousandths kThousandths;

// The common column: one dosage value, the field's own after `index` others,
// added to `sums`. Returns where the value ends, or null (adding nothing)
// for anything else, which the general path then reads.
inline const char* OneValue(const char* p, const char* end, int index, AlleleSums& sums) {
   for (int i = 0; i < index; i++) {
      while (p < end && *p != ':' && *p != '\t') p++;
      if (p == end || *p == '\t') return nullptr;
      p++;
   }
   double v;
   const char* stop;
   if (end - p >= 5 && IsDigit(p[0]) && p[1] == '.' && IsDigit(p[2]) && IsDigit(p[3]) &&
       IsDigit(p[4])) {
      // Three decimals, as imputation programs write them.
      int mantissa = (p[0] - '0') * 1000 + (p[2] - '0') * 100 + (p[3] - '0') * 10 + (p[4] - '0');
      v = kThousandths[mantissa];
      stop = p + 5;
   } else if ((stop = FastDecimal(p, end, v)) == nullptr) {
      return nullptr;
   }
   if (stop < end && *stop != '\t' && *stop != ':') return nullptr;
   sums.n++;
   sums.sum += v;
   sums.sumsq += v * v;
   return stop;
}

}  // namespace

const char* FieldName(DosageField field) {
   return field == DosageField::kDS ? "DS" : field == DosageField::kHDS ? "HDS" : "GP";
}

bool ParseNumber(const char* begin, const char* end, double& value) {
   const char* fast = FastDecimal(begin, end, value);
   if (fast == end) return true;
   std::string text(begin, end);
   char* stop;
   value = strtod(text.c_str(), &stop);
   return !text.empty() && stop == text.c_str() + text.size();
}

void RecordSums::Reset(int alternateAlleles) {
   alleles.assign(alternateAlleles, AlleleSums());
   dosage.resize(alternateAlleles);
   present.resize(alternateAlleles);
}

bool RecordSums::AddSample(const double* values, const char* missing, int count) {
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
         for (int i = a; i < count; i += alts) {
            if (missing[i]) present[a] = 0;
            if (i > a) dosage[a] += values[i];
         }
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
         double d = 0;
         for (int k = 0; k < n; k++)
            for (int j = 0; j <= k; j++) {
               int copies = (j == a) + (k == a);
               if (copies == 0) continue;
               double term =
                   copies == 1 ? values[k * (k + 1) / 2 + j] : 2 * values[k * (k + 1) / 2 + j];
               d = first ? term : d + term;
               first = false;
            }
         dosage[a - 1] = d;
      }
   }
   for (int a = 0; a < alts; a++) {
      if (!present[a]) continue;
      AlleleSums& s = alleles[a];
      s.n++;
      s.sum += dosage[a];
      s.sumsq += dosage[a] * dosage[a];
   }
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
   double position;
   if (fixed[1].empty() || fixed[1].size() > 15 ||
       fixed[1].find_first_not_of("0123456789") != std::string_view::npos ||
       !ParseNumber(fixed[1].data(), fixed[1].data() + fixed[1].size(), position))
      return Fail("POS [" + std::string(fixed[1]) + "] is not a position");
   pos = static_cast<int64_t>(position);

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
   AlleleSums local;
   std::vector<AlleleSums>& alleles = sums.MutableAlleles();
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
   std::vector<AlleleSums>& alleles = sums.MutableAlleles();
   int alts = static_cast<int>(alleles.size());
   int count = 0;
   bool firstMissing = false;
   values.clear();
   missing.clear();
   for (;; count++) {
      double v = 0;
      const char* stop = FastDecimal(p, end, v);
      bool dot = false;
      if (stop == nullptr || (stop < end && !EndsValue(*stop))) {
         stop = p;
         while (stop < end && !EndsValue(*stop)) stop++;
         dot = stop - p == 1 && *p == '.';
         if (!dot && !ParseNumber(p, stop, v)) {
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
         AlleleSums& s = alleles[count];
         s.n++;
         s.sum += v;
         s.sumsq += v * v;
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
