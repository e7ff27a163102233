#include "base/QuickIndex.h"

#include <random>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

std::vector<int> Items(const IntArray& a) {
   std::vector<int> items;
   for (int i = 0; i < a.Length(); i++) items.push_back(a[i]);
   return items;
}

TEST(QuickIndex, IndexesEachSourceKind) {
   QuickIndex index;
   Vector v;
   for (double x : {2.5, -1.0, 7.0}) v.Push(x);
   index.Index(v);
   EXPECT_EQ(Items(index), (std::vector<int>{1, 0, 2}));
   EXPECT_EQ(v[0], 2.5);  // the source is not moved

   StringArray strings;
   for (const char* s : {"b", "a", "B2", "A10", "a9"}) strings.Add(s);
   index.Index(strings);  // case folded, numbers by value
   EXPECT_EQ(Items(index), (std::vector<int>{1, 4, 3, 0, 2}));

   StringIntMap counts;
   counts.Add("x", 5);
   counts.Add("y", 1);
   counts.Add("z", 3);
   index.IndexCounts(counts);
   index.Sort();  // the temporary source is forgotten, not read
   EXPECT_EQ(Items(index), (std::vector<int>{1, 2, 0}));
}

TEST(QuickIndex, OrdersIntArraysOfEverySize) {
   std::mt19937 random(7);
   for (int n : {0, 1, 2, 9, 10, 100, 5000, 100000}) {
      IntArray values;
      for (int i = 0; i < n; i++) values.Append(n == 100000 ? n - i : random() % 50 - 25);
      QuickIndex index;
      index.Index(values);
      ASSERT_EQ(index.Length(), n);
      std::vector<int> seen(n, 0);
      for (int k = 0; k < n; k++) ASSERT_EQ(seen[index[k]]++, 0);
      for (int k = 1; k < n; k++) ASSERT_LE(values[index[k - 1]], values[index[k]]);
      EXPECT_FALSE(n >= 2 && index.IsBefore(n - 1, 0));
   }
}

}  // namespace
