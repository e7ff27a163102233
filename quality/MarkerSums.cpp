#include "quality/MarkerSums.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const double kNanosPerUnit = 1e9;
const double kSquareNanosPerUnit = 1e18;  // exact as a double: 2^18 * 5^18

// `value` * 10^-places as an exact decimal: no exponent, trailing zeros of
// the fraction left out.
void ExactText(__int128 value, int places, char* text, int size) {
   char digits[64];
   int length = 0;
   unsigned __int128 magnitude =
       value < 0 ? static_cast<unsigned __int128>(-(value + 1)) + 1 : value;
   do {
      digits[length++] = static_cast<char>('0' + static_cast<int>(magnitude % 10));
      magnitude /= 10;
   } while (magnitude > 0 || length <= places);
   int last = 0;  // the lowest digit written
   while (last < places && digits[last] == '0') last++;
   std::string out = value < 0 ? "-" : "";
   for (int i = length - 1; i >= last; i--) {
      if (i == places - 1) out += '.';
      out += digits[i];
   }
   snprintf(text, size, "%s", out.c_str());
}

// An exact decimal of at most `places` decimals, in units of 10^-places,
// when that takes at most 37 digits (below 2^127); false for anything else
// (exponents, nan, more digits).
bool ReadExact(const char* p, const char* end, int places, __int128& value) {
   bool negative = p < end && *p == '-';
   if (negative) p++;
   __int128 units = 0;
   int digits = 0, decimals = -1;
   for (; p < end; p++) {
      if (*p == '.' && decimals < 0) {
         decimals = 0;
         continue;
      }
      if (*p < '0' || *p > '9' || ++digits > 37) return false;
      units = units * 10 + (*p - '0');
      if (decimals >= 0 && ++decimals > places) return false;
   }
   int scaling = places - (decimals < 0 ? 0 : decimals);
   if (digits == 0 || digits + scaling > 37) return false;
   for (int i = 0; i < scaling; i++) units *= 10;
   value = negative ? -units : units;
   return true;
}

bool ReadPart(const char* begin, const char* end, int places, __int128& exact, double& inexact,
              bool& isInexact) {
   exact = 0;
   inexact = 0;
   isInexact = false;
   if (ReadExact(begin, end, places, exact)) return true;
   DecimalText number;
   if (!ReadDecimal(begin, end, number)) return false;
   inexact = number.value;
   isInexact = true;
   return true;
}

// Adds an exact part, or moves both to the inexact side where the integers
// would overflow.
void PoolPart(__int128& exact, double& inexact, bool& isInexact, __int128 otherExact,
              double otherInexact, bool otherIsInexact, double unit) {
   __int128 total;
   if (__builtin_add_overflow(exact, otherExact, &total)) {
      inexact += static_cast<double>(exact) / unit + static_cast<double>(otherExact) / unit;
      exact = 0;
      isInexact = true;
   } else {
      exact = total;
   }
   if (otherIsInexact) {
      inexact += otherInexact;
      isInexact = true;
   }
}

}  // namespace

bool MarkerSums::Pool(const MarkerSums& other) {
   int64_t total;
   if (__builtin_add_overflow(n, other.n, &total)) return false;
   n = total;
   PoolPart(nanos, inexactSum, sumInexact, other.nanos, other.inexactSum, other.sumInexact,
            kNanosPerUnit);
   PoolPart(squareNanos, inexactSquares, squaresInexact, other.squareNanos, other.inexactSquares,
            other.squaresInexact, kSquareNanosPerUnit);
   return true;
}

double MarkerSums::Sum() const {
   double exact = static_cast<double>(nanos) / kNanosPerUnit;
   return sumInexact ? exact + inexactSum : exact;
}

double MarkerSums::SumOfSquares() const {
   double exact = static_cast<double>(squareNanos) / kSquareNanosPerUnit;
   return squaresInexact ? exact + inexactSquares : exact;
}

void MarkerSums::SumText(char* text, int size) const {
   if (sumInexact)
      snprintf(text, size, "%.17g", Sum());
   else
      ExactText(nanos, 9, text, size);
}

void MarkerSums::SquaresText(char* text, int size) const {
   if (squaresInexact)
      snprintf(text, size, "%.17g", SumOfSquares());
   else
      ExactText(squareNanos, 18, text, size);
}

bool MarkerSums::ReadSums(const char* sum, const char* sumEnd, const char* squares,
                          const char* squaresEnd) {
   return ReadPart(sum, sumEnd, 9, nanos, inexactSum, sumInexact) &&
          ReadPart(squares, squaresEnd, 18, squareNanos, inexactSquares, squaresInexact);
}
