#include "tool/DosageParser.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/DecimalText.h"
#include "base/StringBasics_internal.h"

namespace {

inline bool IsSeparator(char c) {
   return c == ' ' || c == '\t';
}
inline bool IsLineEnd(char c) {
   return c == '\n' || c == '\r';
}

}  // namespace

double ConvertDosage(const char* begin, const char* end) {
   DecimalText number;
   if (ReadPlainDecimal(begin, end, number) == end) return number.value;
   // Everything else (a leading '+', hexadecimal, inf and nan, trailing text,
   // leading white space other than the separators, NUL bytes) is strtod's.
   std::string text(begin, end);
   return strtod(text.c_str(), nullptr);
}

DosageLines::DosageLines(int markerCount, int leadingFields)
    : markerCount(markerCount), leadingFields(leadingFields) {}

void DosageLines::StoreField(const char* begin, const char* end) {
   long index = fields - leadingFields;
   if (index >= 0 && index < markerCount) out[index] = ConvertDosage(begin, end);
   fields++;
}

void DosageLines::EndField() {
   StoreField(carry.data(), carry.data() + carry.size());
   carry.clear();
   inField = false;
}

void DosageLines::EndLine() {
   if (inField) EndField();
   long ended = fields;
   fields = 0;
   LineEnded(ended);
}

// The fields from p on, up to the first line end; a field cut by the end of
// the block is kept in `carry`.
const char* DosageLines::ParseFields(const char* p, const char* end) {
   while (p < end) {
      char c = *p;
      if (IsSeparator(c)) {
         p++;
         continue;
      }
      if (IsLineEnd(c)) return p;
      long index = fields - leadingFields;
      if (index >= 0 && index < markerCount) {
         // The usual shape of a dosage, one digit, a point and three digits,
         // with a blank or tab after it, converted directly and in a run:
         // n / 1000 with both exact is correctly rounded, as strtod is.
         const char* start = p;
         while (index < markerCount && end - p > 5) {
            unsigned d0 = static_cast<unsigned char>(p[0]) - '0';
            unsigned d2 = static_cast<unsigned char>(p[2]) - '0';
            unsigned d3 = static_cast<unsigned char>(p[3]) - '0';
            unsigned d4 = static_cast<unsigned char>(p[4]) - '0';
            if (d0 > 9 || d2 > 9 || d3 > 9 || d4 > 9 || p[1] != '.' || !IsSeparator(p[5])) break;
            out[index++] = static_cast<int>(d0 * 1000 + d2 * 100 + d3 * 10 + d4) / 1000.0;
            p += 6;
         }
         if (p != start) {
            fields = index + leadingFields;
            continue;
         }
         DecimalText number;
         const char* stop = ReadPlainDecimal(p, end, number);
         if (stop != nullptr && stop < end && (IsSeparator(*stop) || IsLineEnd(*stop))) {
            out[index] = number.value;
            fields++;
            p = stop;
            continue;
         }
      }
      const char* q = p;
      while (q < end && !IsSeparator(*q) && !IsLineEnd(*q)) q++;
      if (q == end) {
         carry.assign(p, end);
         inField = true;
         return end;
      }
      StoreField(p, q);
      p = q;
   }
   return p;
}

void DosageLines::Feed(const char* data, size_t size) {
   const char* p = data;
   const char* end = data + size;
   while (p < end) {
      char c = *p;
      if (IsLineEnd(c)) {
         int memory = NextLineEndMemory(last, c);
         if (memory != 0) EndLine();
         last = memory;
         p++;
         continue;
      }
      if (inField) {
         const char* q = p;
         while (q < end && !IsSeparator(*q) && !IsLineEnd(*q)) q++;
         carry.append(p, q);
         last = 0;
         p = q;
         if (q == end) return;
         EndField();
         continue;
      }
      // Any byte but a line end, separators included, is part of a line and
      // clears a pending line end.
      last = 0;
      p = ParseFields(p, end);
   }
}

void DosageLines::FinishLines(bool readError) {
   if (!readError && (inField || fields > 0)) EndLine();
}

void PrintSkippedLine(long long lineNumber, long markers, int markerCount) {
   printf("Skipped line %lld in dosagefile contains %ld markers != %d in snpsfile\n", lineNumber,
          markers, markerCount);
}

DosageParser::DosageParser(int markerCount, int leadingFields, double* sum, double* sumsq,
                           int64_t* count)
    : DosageLines(markerCount, leadingFields),
      sum(sum),
      sumsq(sumsq),
      count(count),
      pending(static_cast<size_t>(markerCount > 0 ? markerCount : 0)) {
   out = pending.data();
   SetLineEndMemory(loci_internal::IfileLineEnd());
}

void DosageParser::LineEnded(long fields) {
   lineNumber++;
   if (fields == 0) return;
   long m = fields - leadingFields;
   if (m != markerCount) {
      PrintSkippedLine(lineNumber, m, markerCount);
      return;
   }
   const double* d = pending.data();
   for (int i = 0; i < markerCount; i++) {
      sum[i] += d[i];
      sumsq[i] += d[i] * d[i];
   }
   accepted++;
}

void DosageParser::Finish(bool readError) {
   FinishLines(readError);
   if (count != nullptr)
      for (int i = 0; i < markerCount; i++) count[i] += accepted;
   accepted = 0;
   loci_internal::IfileLineEnd() = LineEndMemory();
}
