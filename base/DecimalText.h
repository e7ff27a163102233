// Decimal numbers read from text exactly as strtod (and so atof) reads them,
// most of them without calling it.
//
// A plain decimal, [-]digits[.digits][e[+-]digits], of at most 19 digits that
// form an integer up to 2^53, scaled by a power of ten from 1e-22 to 1e22, is
// one correctly rounded multiplication or division of two exact doubles: the
// very double strtod gives. Every other text (a leading "+", hexadecimal,
// "nan", "inf", more digits) is left to strtod.
//
// Beside the double, a number that is a whole count of billionths, at most
// 1,000 in magnitude, carries that count: sums of such counts are exact, so
// they do not depend on the order in which the numbers are added.
#ifndef LOCI_BASE_DECIMALTEXT_H
#define LOCI_BASE_DECIMALTEXT_H

#include <cstdint>
#include <string>

struct DecimalText {
   double value = 0;
   int64_t nanos = 0;   // value * 10^9, when `exact`
   bool exact = false;  // a whole number of billionths, |value| <= 1000
};

namespace decimal_text_internal {

extern const double kExactPowers[23];   // 1e0 .. 1e22
extern const int64_t kWholePowers[13];  // 10^0 .. 10^12

inline bool IsDigit(char c) {
   return c >= '0' && c <= '9';
}

}  // namespace decimal_text_internal

// Reads a plain decimal that begins at `p`, stopping at the first character
// that cannot continue it; returns where it stopped, or null when the text
// needs strtod (no digits, too many digits, a large exponent).
inline const char* ReadPlainDecimal(const char* p, const char* end, DecimalText& number) {
   using namespace decimal_text_internal;
   bool negative = p < end && *p == '-';
   if (negative) p++;
   // Digits past the 19th are counted, not added: such a number needs strtod.
   uint64_t mantissa = 0;
   long digits = 0, decimals = 0;
   const char* start = p;
   for (; p < end && IsDigit(*p); p++)
      if (++digits <= 19) mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
   bool any = p > start;
   if (p < end && *p == '.') {
      const char* fraction = ++p;
      for (; p < end && IsDigit(*p); p++)
         if (++digits <= 19) mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
      decimals = p - fraction;
      any = any || p > fraction;
   }
   if (!any || digits > 19 || mantissa > (uint64_t{1} << 53)) return nullptr;
   long scale = -decimals;
   if (p < end && (*p == 'e' || *p == 'E')) {
      p++;
      bool down = p < end && *p == '-';
      if (p < end && (*p == '-' || *p == '+')) p++;
      const char* first = p;
      int exponent = 0;
      while (p < end && IsDigit(*p) && p - first < 4) exponent = exponent * 10 + (*p++ - '0');
      if (p == first || (p < end && IsDigit(*p))) return nullptr;
      scale += down ? -exponent : exponent;
   }
   if (scale < -22 || scale > 22) return nullptr;
   double magnitude = static_cast<double>(mantissa);
   magnitude = scale < 0 ? magnitude / kExactPowers[-scale] : magnitude * kExactPowers[scale];
   number.value = negative ? -magnitude : magnitude;
   // mantissa * 10^(scale + 9) billionths, when that is at most 10^12.
   number.exact =
       scale >= -9 && scale <= 3 && mantissa <= static_cast<uint64_t>(kWholePowers[3 - scale]);
   if (number.exact) {
      int64_t nanos = static_cast<int64_t>(mantissa) * kWholePowers[scale + 9];
      number.nanos = negative ? -nanos : nanos;
   }
   return p;
}

// The whole of [begin, end) as strtod reads it; false when strtod would not
// take all of it (nothing, trailing text, a NUL byte).
bool ReadDecimal(const char* begin, const char* end, DecimalText& number);

// Appends the text printf's "%.*f" gives for `value` with `places` decimals
// (0 to 9), to the last character: the exact binary value rounded half to
// even, and the sign of a negative value or -0 kept. Magnitudes below 1e9
// take integer arithmetic; the rest (and nan, inf) are left to printf.
void AppendFixedDecimal(std::string& out, double value, int places);

// Appends the decimal digits of `value`, as printf's "%lld".
void AppendInteger(std::string& out, int64_t value);

#endif
