#include "base/QuickIndex.h"

#include <algorithm>
#include <random>

#include "tests/support/TestSupport.h"

namespace {

bool Equals(const IntArray& a, std::initializer_list<int> expected) {
   if (a.Length() != static_cast<int>(expected.size())) return false;
   int i = 0;
   for (int v : expected)
      if (a[i++] != v) return false;
   return true;
}

TEST(QuickIndex, IndexesEachSourceKind) {
   QuickIndex index;
   EXPECT_EQ(index.Length(), 0);

   Vector v;
   v.Push(2.5);
   v.Push(-1);
   v.Push(7);
   index.Index(v);
   EXPECT_TRUE(Equals(index, {1, 0, 2}));
   EXPECT_EQ(v[0], 2.5);  // the source is not moved

   StringArray strings;
   strings.Add("b");
   strings.Add("a");
   index.Index(strings);
   EXPECT_TRUE(Equals(index, {1, 0}));
   strings.Add("B2");
   strings.Add("A10");
   strings.Add("a9");
   index.Index(strings);  // case folded, numbers by value
   EXPECT_TRUE(Equals(index, {1, 4, 3, 0, 2}));

   StringIntMap counts;
   counts.Add("x", 5);
   counts.Add("y", 1);
   counts.Add("z", 3);
   index.IndexCounts(counts);
   EXPECT_TRUE(Equals(index, {1, 2, 0}));
   index.Sort();  // the temporary source is forgotten, not read
   EXPECT_TRUE(Equals(index, {1, 2, 0}));
}

TEST(QuickIndex, SortsLargeIntArraysLikeTheStandardLibrary) {
   std::mt19937 random(7);
   for (int n : {0, 1, 2, 8, 9, 10, 100, 5000}) {
      IntArray values;
      for (int i = 0; i < n; i++) values.Append(static_cast<int>(random() % 50) - 25);
      QuickIndex index;
      index.Index(values);
      ASSERT_EQ(index.Length(), n);
      std::vector<int> seen(n, 0);
      for (int k = 0; k < n; k++) seen[index[k]]++;
      EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](int c) { return c == 1; }));
      for (int k = 1; k < n; k++) ASSERT_LE(values[index[k - 1]], values[index[k]]);
      EXPECT_FALSE(n >= 2 && index.IsBefore(n - 1, 0));
   }

   // Already ordered and reversed inputs keep the range stack shallow.
   IntArray descending;
   for (int i = 100000; i > 0; i--) descending.Append(i);
   QuickIndex index;
   index.Index(descending);
   EXPECT_EQ(index[0], 99999);
   EXPECT_EQ(index[99999], 0);
}

}  // namespace
