#include "base/Sort.h"

#include <cstdlib>
#include <cstring>

#include "base/Sort_internal.h"
#include "io/Error.h"

namespace {

void Sort(void* base, void* base2, size_t count, size_t width, COMPAREFUNC cmp) {
   if (count < 2) return;

   auto* stack = static_cast<loci_internal::SortRange*>(
       malloc(sizeof(loci_internal::SortRange) * loci_internal::kQuickSortDepth));
   char* scratch = static_cast<char*>(malloc(width));
   if (stack == nullptr || scratch == nullptr) error("Out of memory in QuickSort routine");

   char* a = static_cast<char*>(base);
   char* b = static_cast<char*>(base2);
   auto exchange = [scratch, width](char* array, size_t x, size_t y) {
      memcpy(scratch, array + x * width, width);
      memcpy(array + x * width, array + y * width, width);
      memcpy(array + y * width, scratch, width);
   };
   loci_internal::QuickSortSteps(
       count, stack,
       [a, width, cmp](size_t x, size_t y) { return cmp(a + x * width, a + y * width) < 0; },
       [a, b, &exchange](size_t x, size_t y) {
          exchange(a, x, y);
          if (b != nullptr) exchange(b, x, y);
       });

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
