#include "base/StringHash.h"

#include <cctype>
#include <map>
#include <random>
#include <string>

#include "base/Hash.h"
#include "tests/support/TestSupport.h"

namespace {

// Random additions and deletions on few short mixed-case keys, so clusters
// form and wrap, then deletions of every key, checked after every step against
// a map of upper-cased keys, including the exact capacity the growth rules
// predict: doubling, halving and the 32-slot floor.
TEST(StringHash, RandomSequenceAgreesWithModel) {
   std::mt19937 random(12345);
   StringIntHash table(32);
   std::map<std::string, int> model;
   unsigned int capacity = 32;
   for (int step = 0; step < 20000 || !model.empty(); step++) {
      // Up to ~600 distinct keys: the table grows well past 256 and back.
      bool insert = random() % 10 < ((step / 4000) % 2 == 0 ? 7 : 3);
      std::string key, folded;
      for (int c = 1 + random() % 2; c > 0; c--) {
         char letter = "abcdefghijklmnopqrstuvwxy"[random() % 25];
         key += random() % 2 ? letter : static_cast<char>(toupper(letter));
         folded += static_cast<char>(toupper(letter));
      }
      if (step >= 20000) key = folded = model.begin()->first, insert = false;  // then drain
      auto found = model.find(folded);
      if (insert) {
         int value = static_cast<int>(random() % 1000);
         int slot = table.Add(key.c_str(), value);
         ASSERT_EQ(table.ValueAt(slot), value);  // the slot returned is the settled one
         if (found == model.end() && 2 * model.size() + 2 > capacity) capacity *= 2;
         model[folded] = value;
      } else {
         int slot = table.Find(key.c_str());
         ASSERT_EQ(slot != -1, found != model.end()) << key;
         if (slot == -1) continue;
         table.Delete(slot);
         model.erase(found);
         if (8 * model.size() < capacity && capacity > 32) capacity /= 2;
      }
      ASSERT_EQ(table.Entries(), static_cast<int>(model.size()));
      ASSERT_EQ(table.Capacity(), static_cast<int>(capacity)) << "step " << step;
      if (step % 97 != 0) continue;
      for (const auto& [k, value] : model) ASSERT_EQ(table.GetCount(k.c_str()), value) << k;
   }
}

TEST(StringHash, KeysKeepFirstSpellingWhateverTheCaseSwitch) {
   StringIntHash table(32);
   int slot = table.Add("Abc", 1);
   EXPECT_EQ(table.Add("aBC", 2), slot);
   EXPECT_STREQ(table[slot], "Abc");
   String::caseSensitive = false;
   EXPECT_EQ(table.Find("ABC"), slot);
   String::caseSensitive = true;
   EXPECT_EQ(table.Find("abc"), slot);
   EXPECT_EQ(table.Find("abd"), -1);

   // Out-of-range and empty slots are ignored.
   table.Delete(32);
   table.Delete(4000000000u);
   for (int i = 0; i < 32; i++)
      if (!table.SlotInUse(i)) table.Delete(i);
   EXPECT_EQ(table.Entries(), 1);
   EXPECT_FALSE(table.SlotInUse(-1) || table.SlotInUse(32));

   EXPECT_EQ(table.GetCount("x"), 0);
   EXPECT_EQ(table.Entries(), 1);  // reading inserts nothing
   EXPECT_EQ(table.DecrementCount("x"), -1);
   EXPECT_EQ(table.IncrementCount("X"), 0);
   EXPECT_EQ(table.IncrementCount("x"), 1);
   slot = table.Find("c", 7);
   EXPECT_EQ(table.Find("C", 9), slot);
   EXPECT_EQ(table.GetCount("c"), 7);
   // Two marker names with one full 32-bit code (a birthday search with an
   // independent Python lookup2 found them) are still two keys.
   table.Add("rs6665", 5);
   table.Add("RS49304", 6);
   EXPECT_EQ(hash_no_case(reinterpret_cast<const unsigned char*>("RS6665"), 6, 0), 0x5b5413a8u);
   EXPECT_EQ(hash_no_case(reinterpret_cast<const unsigned char*>("rs49304"), 7, 0), 0x5b5413a8u);
   EXPECT_TRUE(table.GetCount("rs6665") == 5 && table.GetCount("rs49304") == 6);
}

TEST(StringHash, ClearAssignmentAndTablesOfTables) {
   StringDoubleHash big(1024), mid(64);
   for (int i = 0; i < 300; i++) big.Add(String("key") + i, i);
   big.Clear();
   mid.Add("a", 1.5);
   mid.Clear();
   EXPECT_TRUE(big.Capacity() == 256 && mid.Capacity() == 64);  // Clear caps at 256 slots
   EXPECT_TRUE(big.Entries() == 0 && big.Find(String("key3")) == -1 && mid.Find("a") == -1);
   int slot = mid.Find("a", 2.5);
   EXPECT_EQ(mid.ValueAt(mid.Find("A", 3.5)), 2.5);
   EXPECT_EQ(mid.Find("a"), slot);

   StringIntHash source(32), copy(32);
   for (int i = 0; i < 40; i++) source.Add(String("key") + i, i);
   copy.Add("stale", 1);
   copy = source;
   copy = copy;
   EXPECT_EQ(copy.Entries(), 40);
   EXPECT_EQ(copy.Find("stale"), -1);
   for (int i = 0; i < 40; i++) EXPECT_EQ(copy.GetCount(String("key") + i), i);

   StringHash outer(32);
   EXPECT_EQ(outer.Find("x", nullptr), -1);
   EXPECT_EQ(outer.Entries(), 0);
   slot = outer.Find("x", StringHash::CreateHash);
   auto* inner = static_cast<StringHash*>(outer.ValueAt(slot));
   EXPECT_TRUE(inner->Capacity() == 32 && inner->Entries() == 0);
   EXPECT_EQ(outer.Find("X", StringHash::CreateHash), slot);
   delete inner;
}

TEST(StringHash, ReadLinesTrimsAndMergesAndPrintWritesKeys) {
   testsupport::TempDir dir;
   StringHash table(32);
   table.ReadLinesFromFile(dir.Write("keys.txt", "a\n A \n\nb\n").c_str());
   table.ReadLinesFromFile(dir.File("missing.txt").c_str());
   EXPECT_EQ(table.Entries(), 3);
   EXPECT_TRUE(table.Find("a") != -1 && table.Find("") != -1 && table.Find("b") != -1);
   // Slot order is the output order.
   std::string expected;
   for (int i = 0; i < table.Capacity(); i++)
      if (table.SlotInUse(i)) expected += std::string(table[i]) + "\n";
   table.Print(dir.File("out.txt").c_str());
   table.Print(dir.File("no/such/dir.txt").c_str());
   EXPECT_EQ(testsupport::ReadFile(dir.File("out.txt")), expected);
}

TEST(StringHashDeathTest, SizeMustBeAPowerOfTwo) {
   const char* tail = ": Hash table size must be a power of two.\n\n\n";
   EXPECT_FATAL(StringHash table(48), "\nFATAL ERROR - \nStringHash" + std::string(tail));
   EXPECT_FATAL(StringDoubleHash table(48),
                "\nFATAL ERROR - \nStringDoubleHash" + std::string(tail));
   // No slot at all would leave nothing to probe.
   EXPECT_FATAL(StringIntHash table(0), "\nFATAL ERROR - \nStringIntHash" + std::string(tail));

   // Regression: a rebuild to a size with no free slot left, or not a power of
   // two, made the next probe search forever.
   StringIntHash counts(32);
   for (const char* key : {"a", "b", "c", "d"}) counts.Add(key, 1);
   for (int size : {4, 24}) {
      EXPECT_FATAL(counts.SetSize(size), "\nFATAL ERROR - \nHash table size " +
                                             std::to_string(size) +
                                             " must be a power of two larger than its 4 "
                                             "entries.\n\n\n");
   }
}

}  // namespace
