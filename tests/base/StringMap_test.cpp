#include "base/StringMap.h"

#include <random>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

std::vector<std::string> Keys(const StringMap& map) {
   std::vector<std::string> keys;
   for (int i = 0; i < map.Length(); i++) keys.push_back(static_cast<const char*>(map[i]));
   return keys;
}

TEST(StringMap, KeysSortedNumberAwareAndCaseFolded) {
   StringMap map;
   int a = 1, b = 2, c = 3;
   map.Add("a10", &a);
   map.Add("a9", &b);
   map.Add("A2", &c);
   EXPECT_EQ(Keys(map), (std::vector<std::string>{"A2", "a9", "a10"}));
   EXPECT_EQ(map.Find("A10"), 2);
   EXPECT_EQ(map.Object(map.Find("a2")), &c);
   EXPECT_EQ(map.Find("a1"), -1);

   StringMap greek;
   greek.Add("beta", &a);
   EXPECT_EQ(greek.Add("Beta", &b), 0);
   EXPECT_EQ(Keys(greek), std::vector<std::string>{"beta"});
   EXPECT_EQ(greek.Object(0), &b);
}

TEST(StringMap, GrowsDeletesAndClearsKeepingOrder) {
   StringMap map;
   std::vector<int> values(200);
   for (int i = 0; i < 200; i++) {
      int k = (i * 73) % 200;  // every key once, out of order
      map.Add(String("k") + k, &values[k]);
   }
   ASSERT_EQ(map.Length(), 200);
   for (int i = 0; i < 200; i++) {
      EXPECT_STREQ(map[i], String("k") + i);
      EXPECT_EQ(map.Object(i), &values[i]);
   }
   map.Delete(0);
   map.Delete(100);
   EXPECT_EQ(map.Length(), 198);
   EXPECT_STREQ(map[0], "k1");
   EXPECT_STREQ(map[100], "k102");
   EXPECT_EQ(map.Find("k101"), -1);
   map.Clear();
   EXPECT_EQ(map.Length(), 0);
   map.Add("again", nullptr);
   EXPECT_EQ(map.Find("AGAIN"), 0);

   StringMap single;
   single.Add("only", nullptr);
   single.Delete(0);
   EXPECT_EQ(single.Length(), 0);
   EXPECT_EQ(single.Add("next", nullptr), 0);
}

TEST(StringMap, FindWithCreateInsertsOnlyWhenAsked) {
   StringMap outer;
   EXPECT_EQ(outer.Find("x", nullptr), -1);
   EXPECT_EQ(outer.Find("x", StringMap::CreateMap), 0);
   EXPECT_EQ(outer.Find("X", StringMap::CreateMap), 0);
   EXPECT_EQ(outer.Length(), 1);
   delete static_cast<StringMap*>(outer.Object(0));
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

   StringMap pre;
   pre.Add("prefix", nullptr);
   pre.Add("pre", nullptr);
   EXPECT_EQ(pre.FindStem("pre"), -2);
   EXPECT_EQ(pre.FindFirstStem("pre"), pre.Find("pre"));
   EXPECT_EQ(pre.FindStem("pref"), pre.Find("prefix"));

   StringMap one;
   one.Add("alone", nullptr);
   EXPECT_EQ(one.FindStem(""), 0);
   EXPECT_EQ(StringMap().FindStem("a"), -1);
}

// Keys sharing a beginning are not always adjacent under the number-aware
// order ('a1', 'a2', 'a10'), and digits sort above letters; a bisection on
// plain character order missed such keys.
TEST(StringMap, StemSearchesAgreeWithScanWhenDigitsAreInvolved) {
   StringMap r;
   for (const char* name : {"ra", "rb", "r1", "r2", "r3"}) r.Add(name, nullptr);
   EXPECT_EQ(r.FindStem("rb"), r.Find("rb"));

   const char alphabet[] = "ab1[-";
   std::mt19937 random(11);
   for (int round = 0; round < 300; round++) {
      StringMap map;
      int size = 1 + random() % 12;
      for (int k = 0; k < size; k++) {
         String key;
         for (int n = 1 + random() % 4; n > 0; n--) key += alphabet[random() % 5];
         map.Add(key, nullptr);
      }
      String stem;
      for (int n = random() % 3; n > 0; n--) stem += alphabet[random() % 5];
      int first = -1, matches = 0;
      for (int i = 0; i < map.Length(); i++)
         if (map[i].SlowCompareToStem(stem) == 0 && matches++ == 0) first = i;
      SCOPED_TRACE(std::string("stem ") + static_cast<const char*>(stem));
      EXPECT_EQ(map.FindStem(stem), matches > 1 ? -2 : first);
      EXPECT_EQ(map.FindFirstStem(stem), first);
   }
}

TEST(StringIntMap, CountsAndValues) {
   StringIntMap counts;
   EXPECT_EQ(counts.GetCount("absent"), 0);
   EXPECT_EQ(counts.Length(), 0);
   EXPECT_EQ(counts.DecrementCount("down"), -1);
   EXPECT_EQ(counts.IncrementCount("up"), 1);
   EXPECT_EQ(counts.IncrementCount("UP"), 2);
   EXPECT_EQ(counts.DecrementCount("Down"), -2);
   EXPECT_EQ(counts.GetCount("up"), 2);

   EXPECT_EQ(counts.Find("mid", 7), 1);
   EXPECT_EQ(counts.Find("MID", 9), 1);
   EXPECT_EQ(counts.Integer(1), 7);
   EXPECT_EQ(counts.Add("mid", 5), 1);
   EXPECT_EQ(counts.Integer(counts.Find("mid")), 5);
   EXPECT_STREQ(counts[0], "down");
   EXPECT_EQ(counts.FindStem("u"), 2);
   counts.Delete(1);
   EXPECT_EQ(counts.Find("mid"), -1);
   EXPECT_EQ(counts.Integer(1), 2);
}

}  // namespace
