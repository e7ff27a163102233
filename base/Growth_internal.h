// The growth rule of the library's arrays (String, StringArray, IntArray and
// the sorted maps), each with its own granule. Not installed.
#ifndef LOCI_BASE_GROWTH_INTERNAL_H
#define LOCI_BASE_GROWTH_INTERNAL_H

namespace loci_internal {

// The capacity to grow to for room beyond `n`: while the current capacity is
// more than half of n, the smallest granule * 2^k above n, so appending one at
// a time costs amortised constant time; for a larger jump, the smallest
// multiple of the granule above n, so one big request does not over-allocate.
inline int GrownCapacity(int granule, int capacity, int n) {
   if (granule < 1) granule = 1;  // a granule tuned to 0 must not loop
   if (capacity > (n >> 1)) {
      int grown = granule;
      while (grown <= n) grown *= 2;
      return grown;
   }
   return granule * ((n + granule) / granule);
}

}  // namespace loci_internal

#endif
