#include "base/Sort.h"

#include <cstdlib>
#include <cstring>

#include "io/Error.h"

namespace {

const int kStackDepth = 127;

struct Range {
   size_t lo, hi;
};

// Swaps elements x and y of base, and of base2 when there is one.
class Swapper {
public:
   Swapper(char* base, char* base2, size_t width, char* scratch)
       : base(base), base2(base2), width(width), scratch(scratch) {}

   void operator()(size_t x, size_t y) const {
      Exchange(base, x, y);
      if (base2 != nullptr) Exchange(base2, x, y);
   }

private:
   void Exchange(char* array, size_t x, size_t y) const {
      memcpy(scratch, array + x * width, width);
      memcpy(array + x * width, array + y * width, width);
      memcpy(array + y * width, scratch, width);
   }

   char* base;
   char* base2;
   size_t width;
   char* scratch;
};

void Sort(void* base, void* base2, size_t count, size_t width, COMPAREFUNC cmp) {
   if (count < 2) return;

   Range* stack = static_cast<Range*>(malloc(sizeof(Range) * kStackDepth));
   char* scratch = static_cast<char*>(malloc(width));
   if (stack == nullptr || scratch == nullptr) error("Out of memory in QuickSort routine");

   char* a = static_cast<char*>(base);
   auto at = [a, width](size_t k) { return a + k * width; };
   Swapper swap(a, static_cast<char*>(base2), width, scratch);

   int depth = 0;
   size_t lo = 0, hi = count - 1;
   while (true) {
      if (lo >= hi) {
         if (depth == 0) break;
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
         if (cmp(at(mid), at(lo)) < 0) swap(mid, lo);
         if (cmp(at(hi), at(lo)) < 0) swap(hi, lo);
         if (cmp(at(hi), at(mid)) < 0) swap(hi, mid);
         swap(mid, hi - 1);
         p = hi - 1;
         i = lo + 1;
         j = hi - 2;
      }

      while (true) {
         while (i < hi && cmp(at(i), at(p)) < 0) i++;
         while (j > lo && cmp(at(p), at(j)) < 0) j--;
         if (i >= j) break;
         swap(i, j);
         if (i < hi) i++;
         if (j > lo) j--;
      }
      swap(p, i);

      // Push the larger side, go on with the smaller one.
      if (i - lo <= hi - i) {
         if (depth == kStackDepth) error("Out of Stack in QuickSort routine");
         stack[depth++] = Range{i + 1, hi};
         if (i != lo)
            hi = i - 1;
         else
            lo = hi;  // nothing left on this side: pop next
      } else {
         if (depth == kStackDepth) error("Out of Stack in QuickSort routine");
         stack[depth++] = Range{lo, i - 1};
         if (hi != i)
            lo = i + 1;
         else
            lo = hi;
      }
   }

   free(scratch);
   free(stack);
}

}  // namespace

void QuickSort(void* base, size_t count, size_t width, COMPAREFUNC cmp) {
   Sort(base, nullptr, count, width, cmp);
}

void QuickSort2(void* base, void* base2, size_t count, size_t width, COMPAREFUNC cmp) {
   Sort(base, base2, count, width, cmp);
}

void* BinarySearch(const void* key, const void* base, size_t count, size_t width, COMPAREFUNC cmp) {
   if (count == 0 || static_cast<int>(count - 1) < 0) return nullptr;
   const char* a = static_cast<const char*>(base);
   int lo = 0, hi = static_cast<int>(count - 1);
   while (true) {
      int mid = lo + (hi - lo) / 2;
      const void* element = a + static_cast<size_t>(mid) * width;
      int r = cmp(key, element);
      if (r == 0) return const_cast<void*>(element);
      if (r < 0)
         hi = mid - 1;
      else
         lo = mid + 1;
      if (lo > hi) return nullptr;
   }
}
