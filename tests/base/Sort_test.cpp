#include "base/Sort.h"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

int CompareInts(const void* a, const void* b) {
   int x = *static_cast<const int*>(a), y = *static_cast<const int*>(b);
   return (x > y) - (x < y);
}

// Sizes around the small-range cut-off and up to thousands, key ranges from
// all-equal to all-distinct, presorted and reversed runs that must stay within
// the range stack; the companion must follow every exchange.
TEST(QuickSort, AgreesWithStdSortAndCarriesTheCompanion) {
   std::mt19937 rng(42);
   for (int size : {0, 1, 2, 3, 8, 9, 10, 17, 100, 5000, 100000}) {
      for (int keys : {1, 2, 5, 1000000, 0, -1}) {
         if (size == 100000 && keys > 1) continue;
         std::vector<int> data(size), companion(size);
         for (int i = 0; i < size; i++) {
            data[i] = keys > 0 ? static_cast<int>(rng() % keys) - keys / 2 : keys == 0 ? i : -i;
            companion[i] = data[i] * 7;
         }
         std::vector<int> expected = data;
         std::sort(expected.begin(), expected.end());
         QuickSort2(data.data(), companion.data(), size, sizeof(int), CompareInts);
         ASSERT_EQ(data, expected) << "size " << size << " keys " << keys;
         for (int i = 0; i < size; i++) ASSERT_EQ(companion[i], data[i] * 7);
      }
   }

   // Elements of an odd width: each payload must still sit beside its key.
   struct Wide {
      int key;
      char payload[13];
   };
   std::vector<Wide> wide(3000);
   for (Wide& w : wide) snprintf(w.payload, sizeof w.payload, "%d", w.key = rng() % 50);
   QuickSort(wide.data(), wide.size(), sizeof(Wide), CompareInts);
   for (size_t i = 0; i < wide.size(); i++) {
      ASSERT_EQ(std::to_string(wide[i].key), wide[i].payload);
      ASSERT_TRUE(i == 0 || wide[i - 1].key <= wide[i].key);
   }
}

TEST(BinarySearch, FindsEqualElementOrNull) {
   std::vector<int> data = {1, 3, 3, 3, 7, 9, 12};
   for (size_t n : {size_t(0), size_t(1), data.size()}) {
      for (int key = 0; key <= 13; key++) {
         auto hit = static_cast<const int*>(BinarySearch(&key, data.data(), n, 4, CompareInts));
         ASSERT_EQ(hit != nullptr, std::binary_search(data.begin(), data.begin() + n, key));
         ASSERT_TRUE(hit == nullptr || *hit == key);
      }
   }
}

}  // namespace
