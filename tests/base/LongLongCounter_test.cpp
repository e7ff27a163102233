#include "base/LongLongCounter.h"

#include <map>
#include <random>

#include "tests/support/TestSupport.h"

namespace {

// Random steps over keys that crowd few home slots (equal low bits, differing
// high bits, negatives), then steps that drain every count back to zero,
// checked after every step against a map, the capacity the growth rules
// predict included: doubling, halving and the 32-slot floor.
TEST(LongCounter, RandomSequenceAgreesWithModel) {
   std::mt19937_64 random(99);
   LongCounter counter;
   std::map<long long, int> model;
   unsigned int size = 32;
   for (int step = 0; step < 20000 || !model.empty(); step++) {
      long long key = static_cast<long long>(random() % 300) << (random() % 2 ? 5 : 33);
      if (random() % 2) key = -key;
      bool up = random() % 10 < ((step / 5000) % 2 == 0 ? 6 : 4);
      if (step >= 20000) key = model.begin()->first, up = model.begin()->second < 0;
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
