// What a marker's dosages add up to: their number n, their sum and the sum
// of their squares, from which its report row is computed.
//
// Dosages that are whole numbers of billionths (decimals of up to nine
// places, at most 1,000 in magnitude: nearly every dosage an imputation
// program writes) are added as exact integers, so the sums, and every value
// computed from them, do not depend on the order of the samples, on the
// threads that read them or on how they were split into batches and pooled.
// Other dosages (32-bit floats of a binary file, more decimals, "nan") are
// added as doubles in the order they come; only their part of the sums can
// then differ in the last bits between two orders of adding.
#ifndef LOCI_QUALITY_MARKERSUMS_H
#define LOCI_QUALITY_MARKERSUMS_H

#include <cstdint>

#include "base/DecimalText.h"

class MarkerSums {
public:
   int64_t n = 0;

   void Add(const DecimalText& dosage) {
      n++;
      if (dosage.exact) {
         nanos += dosage.nanos;
         squareNanos += static_cast<__int128>(dosage.nanos) * dosage.nanos;
      } else {
         AddInexact(dosage.value);
      }
   }
   // Adds `times` dosages of `nanos` billionths each (|nanos| <= 10^12).
   void AddExact(int64_t nanosEach, int64_t times) {
      n += times;
      nanos += static_cast<__int128>(nanosEach) * times;
      squareNanos += static_cast<__int128>(nanosEach) * nanosEach * times;
   }
   // Adds `count` dosages whose exact sums are given, in 10^-9 and 10^-18.
   void AddExactSums(int64_t count, __int128 sumNanos, __int128 sumSquareNanos) {
      n += count;
      nanos += sumNanos;
      squareNanos += sumSquareNanos;
   }
   void AddInexact(double dosage) {
      inexactSum += dosage;
      inexactSquares += dosage * dosage;
      sumInexact = squaresInexact = true;
   }

   // Adds the samples of another batch; false, leaving this as it was, when
   // n would pass the largest int64_t.
   bool Pool(const MarkerSums& other);

   double Sum() const;
   double SumOfSquares() const;

   // The sums as text with n: exact decimals where every term was exact
   // (nine and eighteen places at most), else "%.17g" of the double, which
   // reads back to the same double.
   void SumText(char* text, int size) const;
   void SquaresText(char* text, int size) const;
   // Reads back what SumText and SquaresText wrote (or any number); false
   // when a text is not a number.
   bool ReadSums(const char* sum, const char* sumEnd, const char* squares, const char* squaresEnd);

private:
   __int128 nanos = 0;        // exact part of the sum, in 10^-9
   __int128 squareNanos = 0;  // exact part of the sum of squares, in 10^-18
   double inexactSum = 0, inexactSquares = 0;
   bool sumInexact = false, squaresInexact = false;
};

#endif
