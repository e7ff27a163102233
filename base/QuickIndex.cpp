#include "base/QuickIndex.h"

QuickIndex::QuickIndex() : IntArray(0), source(nullptr), datatype(kNone) {}

void QuickIndex::Build(const void* newSource, int newDatatype, int length) {
   source = newSource;
   datatype = newDatatype;
   Dimension(length);
   SetSequence(0, 1);
   Sort();
}

void QuickIndex::Index(const StringArray& strings) {
   Build(&strings, kStringArray, strings.Length());
}

void QuickIndex::Index(const Vector& values) {
   Build(&values, kVector, values.Length());
}

void QuickIndex::Index(const IntArray& values) {
   Build(&values, kIntArray, values.Length());
}

void QuickIndex::IndexCounts(const StringIntMap& counts) {
   IntArray values(counts.Length());
   for (int i = 0; i < counts.Length(); i++) values[i] = counts.Integer(i);
   Index(values);
   // The copy dies here; a later Sort must not reach it.
   source = nullptr;
   datatype = kNone;
}

bool QuickIndex::IsBefore(int i, int j) const {
   int a = (*this)[i], b = (*this)[j];
   switch (datatype) {
      case kIntArray: {
         const IntArray& values = *static_cast<const IntArray*>(source);
         return values[a] < values[b];
      }
      case kStringArray: {
         const StringArray& strings = *static_cast<const StringArray*>(source);
         return strings[a].SlowCompare(strings[b]) < 0;
      }
      case kVector: {
         const Vector& values = *static_cast<const Vector*>(source);
         return values[a] < values[b];
      }
      default:
         return false;
   }
}

// The quicksort of the generic routines, run over the index entries. The
// smaller side of each partition is sorted first, so 32 pending ranges cover
// any int-sized index.
void QuickIndex::Sort() {
   int n = Length();
   // Without a source every entry ties, and the swaps would only scramble.
   if (n < 2 || source == nullptr) return;

   struct Range {
      int lo, hi;
   } stack[32];
   int depth = 0;

   IntArray& index = *this;
   auto swap = [&index](int x, int y) {
      int t = index[x];
      index[x] = index[y];
      index[y] = t;
   };

   int lo = 0, hi = n - 1;
   while (true) {
      if (lo >= hi) {
         if (depth == 0) break;
         depth--;
         lo = stack[depth].lo;
         hi = stack[depth].hi;
         continue;
      }

      int p, i, j;
      if (hi - lo < 8) {
         p = hi;
         i = lo;
         j = hi - 1;
      } else {
         int mid = (lo + hi) / 2;
         if (IsBefore(mid, lo)) swap(mid, lo);
         if (IsBefore(hi, lo)) swap(hi, lo);
         if (IsBefore(hi, mid)) swap(hi, mid);
         swap(mid, hi - 1);
         p = hi - 1;
         i = lo + 1;
         j = hi - 2;
      }

      while (true) {
         while (i < hi && IsBefore(i, p)) i++;
         while (j > lo && IsBefore(p, j)) j--;
         if (i >= j) break;
         swap(i, j);
         if (i < hi) i++;
         if (j > lo) j--;
      }
      swap(p, i);

      if (i - lo <= hi - i) {
         stack[depth++] = Range{i + 1, hi};
         if (i != lo)
            hi = i - 1;
         else
            lo = hi;
      } else {
         stack[depth++] = Range{lo, i - 1};
         if (hi != i)
            lo = i + 1;
         else
            lo = hi;
      }
   }
}
