#include "base/StringMap.h"

#include <random>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

TEST(StringMap, KeysStaySortedNumberAwareAndCaseFolded) {
   StringMap::alloc = 3;  // arrays that fill their allocation exactly: an overrun corrupts the heap
   StringMap map;
   StringMap::alloc = 8;
   std::vector<int> values(200);
   for (int i = 0; i < 200; i++) {
      int k = (i * 73) % 200;  // every key once, out of order
      map.Add(String(k % 2 ? "K" : "k") + k, &values[k]);
   }
   EXPECT_EQ(map.Add("K0", nullptr), 0);  // replaces the object, keeps the first spelling
   ASSERT_EQ(map.Length(), 200);
   for (int i = 0; i < 200; i++) {
      EXPECT_STREQ(map[i], String(i % 2 ? "K" : "k") + i);
      EXPECT_EQ(map.Find(String("k") + i), i);
      EXPECT_EQ(map.Object(i), i == 0 ? nullptr : &values[i]);
   }
   EXPECT_EQ(map.Find("k200"), -1);
   map.Delete(0);
   map.Delete(100);
   EXPECT_EQ(map.Length(), 198);
   EXPECT_EQ(map.Object(0), &values[1]);
   EXPECT_EQ(map.Object(100), &values[102]);
   EXPECT_EQ(map.Find("k101"), -1);
   map.Clear();
   EXPECT_EQ(map.Find("x", nullptr), -1);
   EXPECT_EQ(map.Find("x", StringMap::CreateMap), 0);
   EXPECT_EQ(map.Find("X", StringMap::CreateMap), 0);
   EXPECT_EQ(map.Length(), 1);
   delete static_cast<StringMap*>(map.Object(0));
}

TEST(StringMap, StemSearches) {
   StringMap options;
   for (const char* name : {"snps[-s]", "dosagefile[-g]", "infofile[-i]", "prefix[-o]"})
      options.Add(name, nullptr);
   EXPECT_EQ(options.FindStem("D"), 0);
   EXPECT_EQ(options.FindStem("snps[-S]"), 3);
   EXPECT_EQ(options.FindStem("x"), -1);
   EXPECT_EQ(options.FindStem(""), -2);
   EXPECT_EQ(options.FindFirstStem("i"), 1);
   EXPECT_EQ(StringMap().FindStem("a"), -1);

   // A key that begins a longer key is ambiguous as a stem.
   StringMap pre;
   pre.Add("prefix", nullptr);
   pre.Add("pre", nullptr);
   EXPECT_EQ(pre.FindStem("pre"), -2);
   EXPECT_EQ(pre.FindFirstStem("pre"), 0);
   EXPECT_EQ(pre.FindStem("pref"), 1);
}

// Keys sharing a beginning are not always adjacent under the number-aware
// order ('a1', 'a2', 'a10'), and digits sort above letters; a bisection on
// plain character order missed such keys.
TEST(StringMap, StemSearchesAgreeWithScanWhenDigitsAreInvolved) {
   const char alphabet[] = "ab12[-";
   std::mt19937 random(11);
   for (int round = 0; round < 300; round++) {
      StringMap map;
      int size = 1 + random() % 12;
      for (int k = 0; k < size; k++) {
         String key;
         for (int n = 1 + random() % 4; n > 0; n--) key += alphabet[random() % 6];
         map.Add(key, nullptr);
      }
      String stem;
      for (int n = random() % 3; n > 0; n--) stem += alphabet[random() % 6];
      int first = -1, matches = 0;
      for (int i = 0; i < map.Length(); i++)
         if (map[i].SlowCompareToStem(stem) == 0 && matches++ == 0) first = i;
      SCOPED_TRACE(std::string("stem ") + static_cast<const char*>(stem));
      EXPECT_EQ(map.FindStem(stem), matches > 1 ? -2 : first);
      EXPECT_EQ(map.FindFirstStem(stem), first);
   }
}

TEST(StringIntMap, CountsAndValues) {
   StringIntMap::alloc = 3;  // as above: the fourth key must not overrun
   StringIntMap counts;
   StringIntMap::alloc = 8;
   EXPECT_EQ(counts.GetCount("absent"), 0);
   EXPECT_EQ(counts.Length(), 0);
   EXPECT_EQ(counts.DecrementCount("down"), -1);
   EXPECT_EQ(counts.IncrementCount("up"), 1);
   EXPECT_EQ(counts.IncrementCount("UP"), 2);
   EXPECT_EQ(counts.DecrementCount("Down"), -2);
   EXPECT_TRUE(counts.GetCount("up") == 2 && counts.GetCount("down") == -2);

   EXPECT_EQ(counts.Find("mid", 7), 1);
   EXPECT_EQ(counts.Find("MID", 9), 1);
   EXPECT_EQ(counts.Integer(1), 7);
   EXPECT_EQ(counts.Add("mid", 5), 1);
   EXPECT_EQ(counts.Add("a", 3), 0);
   EXPECT_EQ(counts.Integer(counts.Find("mid")), 5);
   EXPECT_STREQ(counts[1], "down");
   EXPECT_EQ(counts.FindStem("u"), 3);
   counts.Delete(2);
   EXPECT_EQ(counts.Find("mid"), -1);
   EXPECT_EQ(counts.Integer(2), 2);
   counts.Clear();
   EXPECT_TRUE(counts.Length() == 0 && counts.Find("up") == -1 && counts.IncrementCount("up") == 1);
}

}  // namespace
