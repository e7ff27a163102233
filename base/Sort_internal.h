// The quicksort steps shared by the byte-array sorts and the index sort:
// median-of-three pivots above eight elements, the larger side of every
// partition pushed and the smaller one sorted next, so `kQuickSortDepth`
// pending ranges cover any array. Not installed.
#ifndef LOCI_BASE_SORT_INTERNAL_H
#define LOCI_BASE_SORT_INTERNAL_H

#include <cstddef>

#include "io/Error.h"

namespace loci_internal {

const int kQuickSortDepth = 127;

struct SortRange {
   size_t lo, hi;
};

// Sorts positions 0 .. count-1: less(x, y) says whether element x goes before
// element y, swap(x, y) exchanges them. `stack` holds kQuickSortDepth ranges.
template <class Less, class Swap>
void QuickSortSteps(size_t count, SortRange* stack, Less less, Swap swap) {
   if (count < 2) return;
   int depth = 0;
   size_t lo = 0, hi = count - 1;
   while (true) {
      if (lo >= hi) {
         if (depth == 0) return;
         depth--;
         lo = stack[depth].lo;
         hi = stack[depth].hi;
         continue;
      }

      size_t p, i, j;
      if (hi - lo < 8) {
         p = hi;
         i = lo;
         j = hi - 1;
      } else {
         size_t mid = (lo + hi) / 2;
         if (less(mid, lo)) swap(mid, lo);
         if (less(hi, lo)) swap(hi, lo);
         if (less(hi, mid)) swap(hi, mid);
         swap(mid, hi - 1);
         p = hi - 1;
         i = lo + 1;
         j = hi - 2;
      }

      while (true) {
         while (i < hi && less(i, p)) i++;
         while (j > lo && less(p, j)) j--;
         if (i >= j) break;
         swap(i, j);
         if (i < hi) i++;
         if (j > lo) j--;
      }
      swap(p, i);

      if (depth == kQuickSortDepth) error("Out of Stack in QuickSort routine");
      if (i - lo <= hi - i) {
         stack[depth++] = SortRange{i + 1, hi};
         if (i != lo)
            hi = i - 1;
         else
            lo = hi;  // nothing left on this side: pop the next range
      } else {
         stack[depth++] = SortRange{lo, i - 1};
         if (hi != i)
            lo = i + 1;
         else
            lo = hi;
      }
   }
}

}  // namespace loci_internal

#endif
