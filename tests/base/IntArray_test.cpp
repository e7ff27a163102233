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

TEST(IntArrayGrowth, CapacitiesFollowTheQuantumRules) {
   EXPECT_EQ(IntArray().Capacity(), 4);
   EXPECT_EQ(IntArray(10).Capacity(), 12);

   IntArray a;
   int expected[] = {4, 4, 4, 4, 8};
   for (int i = 0; i < 5; i++) {
      a.Append(i);
      EXPECT_EQ(a.Capacity(), expected[i]);
   }
   a.Grow(100);  // a jump past twice the capacity lands just above the request
   EXPECT_EQ(a.Capacity(), 104);
   EXPECT_TRUE(a == Make({0, 1, 2, 3, 4}));

   // Moderate growth doubles from the quantum, not from the capacity.
   IntArray b(10);
   b.Append(1);
   b.Append(2);
   b.Append(3);
   EXPECT_EQ(b.Capacity(), 16);

   a.Grow(10);  // never shrinks
   EXPECT_EQ(a.Capacity(), 104);
}

TEST(IntArraySearch, BinarySearchFindsPresentAndRejectsAbsent) {
   EXPECT_EQ(IntArray().BinarySearch(1), -1);
   EXPECT_EQ(IntArray().Find(1), -1);
   for (int n = 1; n <= 33; n++) {
      IntArray a;
      std::vector<int> values;
      for (int i = 0; i < n; i++) {
         a.Append(2 * (i / 2) + 1);  // odd values, in pairs: 1 1 3 3 5 ...
         values.push_back(a[i]);
      }
      for (int v = -1; v <= 2 * n + 2; v++) {
         int found = a.BinarySearch(v);
         bool present = std::binary_search(values.begin(), values.end(), v);
         ASSERT_EQ(found != -1, present) << "n " << n << " value " << v;
         if (present) {
            ASSERT_EQ(a[found], v);
         }
      }
   }
}

TEST(IntArrayQueries, EmptyRangesAndDegenerateOrders) {
   IntArray a = Make({3, -1, 7});
   EXPECT_EQ(a.Sum(0, 2), 9);
   EXPECT_EQ(a.Sum(3, 2), 0);
   EXPECT_EQ(a.Max(1, 1), -1);
   EXPECT_EQ(a.Max(5, 9), 0);
   EXPECT_EQ(a.Min(3, 9), 0);
   EXPECT_EQ(IntArray().Product(), 1);
   EXPECT_EQ(IntArray().DoubleProduct(), 1.0);
   EXPECT_EQ(Make({100000, 100000}).DoubleProduct(), 1e10);

   EXPECT_TRUE(Make({5}).isAscending() && Make({5}).isDescending());
   EXPECT_TRUE(Make({2, 2}).isAscending() && Make({2, 2}).isDescending());
   EXPECT_FALSE(a.isAscending() || a.isDescending());
   EXPECT_TRUE(Make({1, 2}) != Make({1, 2, 3}));
}

TEST(IntArrayEditing, InsertDeleteAndSelfAppend) {
   IntArray a = Make({1, 2, 3});
   EXPECT_EQ(a.Delete(2), 2);
   a.InsertAt(2, 9);  // at the end: appends
   a.InsertAt(0, 8);
   EXPECT_TRUE(a == Make({8, 1, 2, 9}));

   IntArray p = Make({5, 7}), q = Make({7});
   p.PushIfNew(5);
   q.PushIfNew(5);
   EXPECT_TRUE(p == Make({5, 7}));
   EXPECT_TRUE(q == Make({7, 5}));
   q.Append(q);
   EXPECT_TRUE(q == Make({7, 5, 7, 5}));

   IntArray s(4);
   s.SetSequence(2, 3);  // 2 5 8 11
   s.Add(-10);
   s.Divide(4);  // truncates toward zero
   EXPECT_TRUE(s == Make({-2, -1, 0, 0}));
}

TEST(IntArraySorting, SortsWithFreeRiderAndExtremeValues) {
   IntArray keys = Make({3, 1, 2}), rider = Make({30, 10, 20});
   keys.Sort(rider);
   EXPECT_TRUE(keys == Make({1, 2, 3}));
   EXPECT_TRUE(rider == Make({10, 20, 30}));

   // A subtracting comparison would overflow on these.
   IntArray wide = Make({2147483647, -2147483647 - 1, 0, -5, 2147483647});
   wide.Sort();
   EXPECT_TRUE(wide == Make({-2147483647 - 1, -5, 0, 2147483647, 2147483647}));
}

TEST(IntArrayOutput, PrintWritesLabelCountAndElements) {
   testsupport::StdoutCapture capture;
   Make({1, 2}).Print(stdout);
   IntArray().Print(stdout, "none");
   fflush(stdout);
   EXPECT_EQ(capture.Finish(), "Array of Integers [2 elements]: 1 2 \nnone [0 elements]: \n");
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
