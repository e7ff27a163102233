#include "base/DecimalText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace decimal_text_internal {

const double kExactPowers[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                 1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

const int64_t kWholePowers[13] = {1,           10,           100,          1000,      10000,
                                  100000,      1000000,      10000000,     100000000, 1000000000,
                                  10000000000, 100000000000, 1000000000000};

}  // namespace decimal_text_internal

bool ReadDecimal(const char* begin, const char* end, DecimalText& number) {
   if (ReadPlainDecimal(begin, end, number) == end) return true;
   number.exact = false;
   std::string text(begin, end);
   char* stop = nullptr;
   number.value = strtod(text.c_str(), &stop);
   return !text.empty() && stop == text.c_str() + text.size();
}

void AppendFixedDecimal(std::string& out, double value, int places) {
   using decimal_text_internal::kWholePowers;
   if (!(std::fabs(value) < 1e9) || places < 0 || places > 9) {
      char text[400];
      int length = snprintf(text, sizeof text, "%.*f", places, value);
      out.append(text, static_cast<size_t>(length));
      return;
   }
   // value = mantissa * 2^exponent exactly; times 10^places it is below
   // 2^53 * 2^30, so the scaled value and its remainder fit 128 bits, and
   // the rounded result (below 1e18) 64.
   uint64_t bits;
   memcpy(&bits, &value, sizeof bits);
   bool negative = bits >> 63;
   int biased = static_cast<int>((bits >> 52) & 0x7ff);
   uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
   if (biased != 0) mantissa |= uint64_t{1} << 52;
   int exponent = (biased != 0 ? biased : 1) - 1075;
   unsigned __int128 scaled = static_cast<unsigned __int128>(mantissa) *
                              static_cast<uint64_t>(kWholePowers[places]);
   uint64_t rounded;
   if (exponent >= 0) {
      rounded = static_cast<uint64_t>(scaled << exponent);
   } else if (-exponent >= 100) {
      rounded = 0;  // below 2^83 / 2^100: under a half
   } else {
      int shift = -exponent;
      unsigned __int128 whole = scaled >> shift;
      unsigned __int128 rest = scaled - (whole << shift);
      unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
      rounded = static_cast<uint64_t>(whole);
      if (rest > half || (rest == half && (rounded & 1) != 0)) rounded++;
   }
   uint64_t unit = static_cast<uint64_t>(kWholePowers[places]);
   char text[48];
   char* end = text;
   if (negative) *end++ = '-';
   end = std::to_chars(end, text + sizeof text, rounded / unit).ptr;
   if (places > 0) {
      *end++ = '.';
      uint64_t fraction = rounded % unit;
      for (int i = places - 1; i >= 0; i--) {
         end[i] = static_cast<char>('0' + fraction % 10);
         fraction /= 10;
      }
      end += places;
   }
   out.append(text, static_cast<size_t>(end - text));
}

void AppendInteger(std::string& out, int64_t value) {
   char text[24];
   char* end = std::to_chars(text, text + sizeof text, value).ptr;
   out.append(text, static_cast<size_t>(end - text));
}
