#include "base/Sort.h"

#include <algorithm>
#include <random>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

int CompareInts(const void* a, const void* b) {
   int x = *static_cast<const int*>(a), y = *static_cast<const int*>(b);
   return (x > y) - (x < y);
}

struct Wide {
   int key;
   char payload[13];
};

int CompareWide(const void* a, const void* b) {
   return CompareInts(&static_cast<const Wide*>(a)->key, &static_cast<const Wide*>(b)->key);
}

// Sizes around the small-range cut-off and up to thousands; key ranges from
// all-equal to all-distinct.
TEST(QuickSort, AgreesWithStdSortOnRandomData) {
   std::mt19937 rng(42);
   for (int size : {0, 1, 2, 3, 8, 9, 10, 17, 100, 1000, 5000}) {
      for (int keys : {1, 2, 5, 1000000}) {
         std::vector<int> data(size);
         for (int& x : data) x = static_cast<int>(rng() % keys) - keys / 2;
         std::vector<int> expected = data;
         std::sort(expected.begin(), expected.end());
         QuickSort(data.data(), data.size(), sizeof(int), CompareInts);
         EXPECT_EQ(data, expected) << "size " << size << " keys " << keys;
      }
   }
}

TEST(QuickSort, PresortedAndReversedInputStayWithinTheStack) {
   std::vector<int> up(100000), down(100000);
   for (int i = 0; i < 100000; i++) up[i] = i, down[i] = 100000 - i;
   QuickSort(up.data(), up.size(), sizeof(int), CompareInts);
   QuickSort(down.data(), down.size(), sizeof(int), CompareInts);
   EXPECT_TRUE(std::is_sorted(up.begin(), up.end()));
   EXPECT_TRUE(std::is_sorted(down.begin(), down.end()));
}

TEST(QuickSort2, CompanionFollowsEveryExchange) {
   int keys[] = {3, 1, 2};
   int companion[] = {30, 10, 20};
   QuickSort2(keys, companion, 3, sizeof(int), CompareInts);
   EXPECT_EQ(std::vector<int>(keys, keys + 3), (std::vector<int>{1, 2, 3}));
   EXPECT_EQ(std::vector<int>(companion, companion + 3), (std::vector<int>{10, 20, 30}));

   // Wide elements of an odd width, with many equal keys: each payload must
   // still sit beside its key.
   std::mt19937 rng(7);
   std::vector<Wide> a(3000);
   for (size_t i = 0; i < a.size(); i++) {
      a[i].key = static_cast<int>(rng() % 50);
      snprintf(a[i].payload, sizeof a[i].payload, "%d", a[i].key);
   }
   std::vector<Wide> c = a;
   QuickSort(a.data(), a.size(), sizeof(Wide), CompareWide);
   for (size_t i = 0; i < a.size(); i++) {
      EXPECT_EQ(std::to_string(a[i].key), a[i].payload);
      if (i > 0) {
         EXPECT_LE(a[i - 1].key, a[i].key);
      }
   }
   std::vector<int> ints(3000), shadow(3000);
   for (size_t i = 0; i < ints.size(); i++) ints[i] = c[i].key, shadow[i] = c[i].key * 7;
   QuickSort2(ints.data(), shadow.data(), ints.size(), sizeof(int), CompareInts);
   for (size_t i = 0; i < ints.size(); i++) EXPECT_EQ(shadow[i], ints[i] * 7);
}

TEST(BinarySearch, FindsEqualElementOrNull) {
   std::vector<int> data = {1, 3, 3, 3, 7, 9, 12};
   for (int key = 0; key <= 13; key++) {
      const int* hit = static_cast<const int*>(
          BinarySearch(&key, data.data(), data.size(), sizeof(int), CompareInts));
      bool present = std::binary_search(data.begin(), data.end(), key);
      ASSERT_EQ(hit != nullptr, present) << key;
      if (hit != nullptr) {
         EXPECT_EQ(*hit, key);
      }
   }
   int key = 3;
   EXPECT_EQ(BinarySearch(&key, data.data(), 0, sizeof(int), CompareInts), nullptr);
   EXPECT_EQ(BinarySearch(&key, nullptr, 0, sizeof(int), CompareInts), nullptr);
}

}  // namespace
