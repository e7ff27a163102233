#include "base/LongLongCounter.h"

#include <map>
#include <random>

#include "tests/support/TestSupport.h"

namespace {

TEST(LongCounterCounting, ZeroCountsLeaveTheTable) {
   LongCounter counter;
   EXPECT_EQ(counter.GetCount(42), 0);
   counter.IncrementCount(42);
   counter.IncrementCount(42);
   EXPECT_EQ(counter.GetCount(42), 2);
   // Reading never changes a count.
   EXPECT_EQ(counter.GetCount(42), 2);
   counter.DecrementCount(42);
   counter.DecrementCount(42);
   EXPECT_EQ(counter.Entries(), 0);
   EXPECT_EQ(counter.GetCount(42), 0);

   counter.DecrementCount(7);
   EXPECT_EQ(counter.GetCount(7), -1);
   EXPECT_EQ(counter.Entries(), 1);
   counter.IncrementCount(7);
   EXPECT_EQ(counter.Entries(), 0);
}

TEST(LongCounterCounting, KeysSharingLowBitsStayApart) {
   const long long high = 1LL << 32;
   long long keys[] = {1, high + 1, -high + 1, 5, 37, 5 + 64 * high};
   LongCounter counter;
   for (int i = 0; i < 6; i++)
      for (int n = 0; n <= i; n++) counter.IncrementCount(keys[i]);
   for (int i = 0; i < 6; i++) EXPECT_EQ(counter.GetCount(keys[i]), i + 1);
   EXPECT_EQ(counter.GetCount(2 * high + 1), 0);

   // Removing the home occupant moves the rest of the chain back.
   for (int n = 0; n < 4; n++) counter.DecrementCount(5);
   EXPECT_EQ(counter.GetCount(5), 0);
   EXPECT_EQ(counter.GetCount(37), 5);
   EXPECT_EQ(counter.GetCount(5 + 64 * high), 6);
   counter.DecrementCount(1);
   EXPECT_EQ(counter.GetCount(high + 1), 2);
   EXPECT_EQ(counter.GetCount(-high + 1), 3);
}

TEST(LongCounterGrowth, DoublesAtEighteenAndHalvesBelowAnEighth) {
   LongCounter counter;
   for (int i = 0; i < 17; i++) counter.IncrementCount(i * 32);  // one home slot
   EXPECT_EQ(counter.Capacity(), 32);
   counter.IncrementCount(17 * 32);
   EXPECT_EQ(counter.Capacity(), 64);
   for (int i = 0; i < 10; i++) counter.DecrementCount(i * 32);
   EXPECT_EQ(counter.Entries(), 8);
   EXPECT_EQ(counter.Capacity(), 64);
   counter.DecrementCount(10 * 32);
   EXPECT_EQ(counter.Capacity(), 32);
   for (int i = 11; i < 18; i++) EXPECT_EQ(counter.GetCount(i * 32), 1);
}

// Random steps over keys that crowd few home slots, checked against a map,
// the capacity included.
TEST(LongCounterGrowth, RandomSequenceAgreesWithModel) {
   std::mt19937_64 random(99);
   LongCounter counter;
   std::map<long long, int> model;
   unsigned int size = 32;
   for (int step = 0; step < 20000; step++) {
      long long key = static_cast<long long>(random() % 300) << (random() % 2 ? 5 : 33);
      if (random() % 2) key = -key;
      bool up = random() % 10 < ((step / 5000) % 2 == 0 ? 6 : 4);
      int before = model.count(key) ? model[key] : 0;
      if (before == 0 && 2 * model.size() > size) size *= 2;
      up ? counter.IncrementCount(key) : counter.DecrementCount(key);
      int after = before + (up ? 1 : -1);
      if (after == 0) {
         model.erase(key);
         if (8 * model.size() < size && size > 32) size /= 2;
      } else {
         model[key] = after;
      }
      ASSERT_EQ(counter.GetCount(key), after);
      ASSERT_EQ(counter.Entries(), static_cast<int>(model.size()));
      ASSERT_EQ(counter.Capacity(), static_cast<int>(size)) << "step " << step;
      if (step % 101 == 0) {
         for (const auto& entry : model) ASSERT_EQ(counter.GetCount(entry.first), entry.second);
      }
   }
}

}  // namespace
