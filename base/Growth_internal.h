// The growth rule of the library's arrays (String, StringArray, IntArray and
// the sorted maps), each with its own granule. Not installed.
#ifndef LOCI_BASE_GROWTH_INTERNAL_H
#define LOCI_BASE_GROWTH_INTERNAL_H

#include <climits>

namespace loci_internal {

// The capacity to grow to for room beyond `n`: while the current capacity is
// more than half of n, the smallest granule * 2^k above n, so appending one at
// a time costs amortised constant time; for a larger jump, the smallest
// multiple of the granule above n, so one big request does not over-allocate.
// Computed in 64 bits and capped at the largest int, so requests near 2^31
// neither overflow nor loop.
inline int GrownCapacity(int granule, int capacity, int n) {
   long long unit = granule < 1 ? 1 : granule;  // a granule tuned to 0 must not loop
   long long grown;
   if (capacity > (n >> 1)) {
      grown = unit;
      while (grown <= n) grown *= 2;
   } else {
      grown = unit * ((n + unit) / unit);
   }
   return grown > INT_MAX ? INT_MAX : static_cast<int>(grown);
}

}  // namespace loci_internal

#endif
