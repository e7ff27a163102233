#include "ReportValue.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "base/DecimalText.h"

namespace {

bool IsDigit(char c) {
   return c >= '0' && c <= '9';
}

// Whatever strtod reads completely: exponents, hexadecimal, nan, inf.
ReportValue ParseOther(const char* begin, const char* end) {
   ReportValue result;
   DecimalText number;
   if (!ReadDecimal(begin, end, number)) return result;
   double value = number.value;
   if (std::isnan(value) || !(std::fabs(value) < kLargestValue)) {
      result.kind = ReportValue::kNan;
      return result;
   }
   result.kind = ReportValue::kNumber;
   result.value = value;
   result.thousandths = std::llround(value * 1000.0);
   return result;
}

}  // namespace

ReportValue ParseReportValue(const char* begin, const char* end) {
   ReportValue result;
   if (end - begin == 1 && *begin == '-') {
      result.kind = ReportValue::kMissing;
      return result;
   }

   // Plain decimals, every number a report prints, are read digit by digit.
   const char* p = begin;
   bool negative = p < end && *p == '-';
   if (p < end && (*p == '-' || *p == '+')) p++;
   int64_t whole = 0;
   int wholeDigits = 0;
   for (; p < end && IsDigit(*p) && wholeDigits <= 12; p++, wholeDigits++)
      whole = whole * 10 + (*p - '0');
   int64_t fraction = 0;
   int fractionDigits = 0;
   bool roundsUp = false;
   if (p < end && *p == '.') {
      for (p++; p < end && IsDigit(*p); p++, fractionDigits++) {
         if (fractionDigits < 3) fraction = fraction * 10 + (*p - '0');
         if (fractionDigits == 3) roundsUp = *p >= '5';
      }
   }
   if (p != end || wholeDigits + fractionDigits == 0 || wholeDigits > 12)
      return ParseOther(begin, end);

   for (int i = fractionDigits; i < 3; i++) fraction *= 10;
   int64_t magnitude = whole * 1000 + fraction + (roundsUp ? 1 : 0);
   result.kind = ReportValue::kNumber;
   result.thousandths = negative ? -magnitude : magnitude;
   // Both operands are exact, so the quotient is the correctly rounded value,
   // as strtod would give it.
   DecimalText number;
   if (fractionDigits > 3) ReadDecimal(begin, end, number);
   result.value =
       fractionDigits <= 3 ? static_cast<double>(result.thousandths) / 1000.0 : number.value;
   return result;
}
