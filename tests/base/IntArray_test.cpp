#include "base/IntArray.h"

#include <algorithm>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

IntArray Make(std::initializer_list<int> values) {
   IntArray a;
   for (int v : values) a.Append(v);
   return a;
}

TEST(IntArray, GrowsOnlyWhenFull) {
   IntArray a;
   for (int i = 0; i < 5; i++) {
      a.Append(i);
      EXPECT_EQ(a.Capacity(), i < 4 ? 4 : 8);
   }
   a.Grow(100);
   a.Grow(10);  // never shrinks
   EXPECT_TRUE(a.Capacity() == 104 && a == Make({0, 1, 2, 3, 4}));
   IntArray copy = Make({9});
   copy = a;
   a = a;
   EXPECT_TRUE(copy == Make({0, 1, 2, 3, 4}) && a == copy);
}

TEST(IntArray, BinarySearchAgreesWithStd) {
   for (int n = 0; n <= 33; n++) {
      IntArray a;
      std::vector<int> values;
      for (int i = 0; i < n; i++) values.push_back(2 * (i / 2) + 1), a.Append(values[i]);
      for (int v = -1; v <= 2 * n + 2; v++) {
         int found = a.BinarySearch(v);
         ASSERT_EQ(found != -1, std::binary_search(values.begin(), values.end(), v))
             << n << " " << v;
         ASSERT_TRUE(found == -1 || a[found] == v);
      }
   }
}

TEST(IntArray, QueriesEditsAndSorting) {
   // Deleted elements stay behind the count, where no query may read them.
   IntArray a = Make({3, 7, -1, 100}), up = Make({5, 5, 0}), down = Make({5, 5, 9});
   a.Delete(3), up.Delete(2), down.Delete(2);
   EXPECT_TRUE(a.Sum(0, 2) == 9 && a.Sum(3, 2) == 0 && a.Max(0, 1) == 7 && a.Min(0, 2) == -1);
   EXPECT_TRUE(a.Max(2, 2) == -1 && a.Max(5, 9) == 0 && a.Min(3, 9) == 0 && a.Find(100) == -1);
   EXPECT_TRUE(a.Max(3, 3) == 0 && a.Min(3, 3) == 0);  // not the deleted 100 behind the count
   IntArray full = Make({1, 2, 3, 4});                 // at its capacity: inserting must grow it
   full.InsertAt(1, 9);
   EXPECT_TRUE(full == Make({1, 9, 2, 3, 4}));
   EXPECT_TRUE(a.CountIfGreater(3) == 1 && a.CountIfGreaterOrEqual(3) == 2 && a.Product() == -21);
   EXPECT_TRUE(IntArray().Product() == 1 && Make({100000, 100000}).DoubleProduct() == 1e10);
   EXPECT_TRUE(up.isAscending() && up.isDescending() && down.isAscending() && down.isDescending());
   EXPECT_FALSE(a.isAscending() || a.isDescending() || up != down);
   EXPECT_TRUE(Make({1, 2}) != Make({1, 2, 3}) && a.InnerProduct(Make({1, 2, 3})) == 14);

   EXPECT_EQ(a.Delete(1), 2);
   a.InsertAt(2, 9);  // at the end: appends
   a.InsertAt(0, 8);
   a.PushIfNew(3);
   a.PushIfNew(5);
   a.Reverse();
   a.Append(a);
   EXPECT_TRUE(a == Make({5, 9, -1, 3, 8, 5, 9, -1, 3, 8}));

   IntArray s(4);
   s.SetSequence(2, 3);  // 2 5 8 11
   s.Add(-10);
   s.Multiply(3);
   s.Divide(4);  // truncates toward zero
   EXPECT_TRUE(s == Make({-6, -3, -1, 0}));

   // A subtracting comparison would overflow on these; the rider follows.
   IntArray keys = Make({2147483647, -2147483647 - 1, 0, -5}), rider = Make({1, 2, 3, 4});
   keys.Sort(rider);
   EXPECT_TRUE(keys == Make({-2147483647 - 1, -5, 0, 2147483647}));
   EXPECT_TRUE(rider == Make({2, 4, 3, 1}));

   testsupport::StdoutCapture capture;
   Make({1, 2}).Print(stdout);
   IntArray().Print(stdout, "none");
   fflush(stdout);
   EXPECT_EQ(capture.Finish(), "Array of Integers [2 elements]: 1 2 \nnone [0 elements]: \n");
}

// Element-wise edits reach the elements counted and no storage past them:
// a shrunken array keeps its old elements beyond the count (storage never
// shrinks), and they must come back unchanged.
TEST(IntArray, ElementWiseEditsStopAtTheCount) {
   IntArray a, other;
   for (int i = 1; i <= 8; i++) {
      a.Append(i);
      other.Append(10 * i);
   }
   a.Dimension(4);
   other.Dimension(4);
   a.Add(other);
   a.Add(1);
   a.Multiply(3);
   a.Divide(3);
   a.Set(a[0]);
   a.Zero();
   a.Reverse();
   a.Dimension(8);
   other.Dimension(8);
   for (int i = 4; i < 8; i++) {
      EXPECT_EQ(a[i], i + 1) << i;
      EXPECT_EQ(other[i], 10 * (i + 1)) << i;
   }
   EXPECT_EQ(a.Sum(0, 3), 0);
   // Ranges begin where they are told, not an element early.
   IntArray range;
   for (int value : {50, 1, 7, 3, 9}) range.Append(value);
   EXPECT_EQ(range.Max(1, 3), 7);
   EXPECT_EQ(range.Min(2, 4), 3);
}

TEST(IntArrayDeathTest, MismatchedCountsAreFatal) {
   IntArray two(2), three(3);
   EXPECT_FATAL(two.InnerProduct(three),
                "\nFATAL ERROR - \nIntArray::InnerProduct - vectors have different dimensions\n"
                "IntArrays              - Left[2] * Right[3] \n\n");
   EXPECT_FATAL(three.Add(two),
                "\nFATAL ERROR - \nIntArray::Add - vectors have different lengths\n"
                "IntArrays     - Left[3] += Right[2] \n\n");
}

}  // namespace
