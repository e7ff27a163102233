#include "base/StringHash.h"

#include <cctype>
#include <map>
#include <random>
#include <string>

#include "base/Hash.h"
#include "tests/support/TestSupport.h"

namespace {

String Key(int i) {
   String s;
   s.printf("key%d", i);
   return s;
}

unsigned int Home(const String& key, unsigned int capacity) {
   return hash_no_case(reinterpret_cast<const unsigned char*>(static_cast<const char*>(key)),
                       key.Length(), 0) &
          (capacity - 1);
}

TEST(StringHashKeys, IgnoreCaseAndKeepFirstSpelling) {
   StringIntHash table(32);
   int slot = table.Add("Abc", 1);
   EXPECT_EQ(table.Add("aBC", 2), slot);
   EXPECT_EQ(table.Entries(), 1);
   EXPECT_EQ(table.ValueAt(slot), 2);
   EXPECT_STREQ(table[slot], "Abc");
   EXPECT_EQ(table.Find("ABC"), slot);
   EXPECT_EQ(table.Find("abd"), -1);

   // Independent of the process-wide comparison switch.
   bool saved = String::caseSensitive;
   String::caseSensitive = !saved;
   EXPECT_EQ(table.Find("abc"), slot);
   String::caseSensitive = saved;
}

TEST(StringHashGrowth, DoublesAboveHalfAndShrinksBelowEighth) {
   StringIntHash table(32);
   for (int i = 0; i < 16; i++) table.Add(Key(i), i);
   EXPECT_EQ(table.Capacity(), 32);
   int slot = table.Add(Key(16), 16);
   EXPECT_EQ(table.Capacity(), 64);
   EXPECT_EQ(table.ValueAt(slot), 16);  // the slot returned is the rebuilt one

   // 64 slots: shrinks when 8 * count drops below 64, i.e. at 7 entries.
   for (int i = 0; i < 9; i++) table.Delete(table.Find(Key(i)));
   EXPECT_EQ(table.Entries(), 8);
   EXPECT_EQ(table.Capacity(), 64);
   table.Delete(table.Find(Key(9)));
   EXPECT_EQ(table.Capacity(), 32);
   for (int i = 10; i <= 16; i++) EXPECT_EQ(table.ValueAt(table.Find(Key(i))), i);

   // 32 slots never shrink.
   for (int i = 10; i <= 16; i++) table.Delete(table.Find(Key(i)));
   EXPECT_EQ(table.Capacity(), 32);
   EXPECT_EQ(table.Entries(), 0);

   // Out-of-range and empty slots are ignored.
   table.Add("x", 1);
   table.Delete(32);
   table.Delete(4000000000u);
   for (int i = 0; i < 32; i++)
      if (!table.SlotInUse(i)) table.Delete(i);
   EXPECT_EQ(table.Entries(), 1);
}

TEST(StringHashGrowth, ClearCapsAt256Slots) {
   StringDoubleHash big(1024);
   for (int i = 0; i < 300; i++) big.Add(Key(i), i);
   big.Clear();
   EXPECT_EQ(big.Capacity(), 256);
   EXPECT_EQ(big.Entries(), 0);
   EXPECT_EQ(big.Find(Key(3)), -1);

   StringDoubleHash mid(64);
   mid.Add("a", 1.5);
   mid.Clear();
   EXPECT_EQ(mid.Capacity(), 64);
   int slot = mid.Find("a", 2.5);
   EXPECT_EQ(mid.Find("a"), slot);
   EXPECT_EQ(mid.ValueAt(slot), 2.5);
}

TEST(StringHashProbing, CollidingKeySurvivesDeletionOfHomeOccupant) {
   // Two keys with the same home slot in 32 slots but different codes.
   String first = Key(0), second;
   for (int i = 1;; i++)
      if (Home(Key(i), 32) == Home(first, 32)) {
         second = Key(i);
         break;
      }
   StringIntHash table(32);
   table.Add(first, 1);
   int slot = table.Add(second, 2);
   EXPECT_NE(slot, static_cast<int>(Home(second, 32)));
   EXPECT_EQ(table.Find(second), slot);

   table.Delete(table.Find(first));
   EXPECT_EQ(table.Find(second), static_cast<int>(Home(second, 32)));
   EXPECT_EQ(table.GetCount(second), 2);
}

// Random additions and deletions on few short mixed-case keys, so clusters
// form and wrap, checked after every step against a map of upper-cased keys,
// including the exact capacity the growth rules predict.
TEST(StringHashProbing, RandomSequenceAgreesWithModel) {
   std::mt19937 random(12345);
   StringIntHash table(32);
   std::map<std::string, int> model;
   unsigned int capacity = 32;

   for (int step = 0; step < 20000; step++) {
      // Up to ~600 distinct keys: the table grows well past 256 and back.
      int phase = (step / 4000) % 2;
      std::string key;
      int length = 1 + random() % 2;
      for (int c = 0; c < length; c++) {
         char letter = "abcdefghijklmnopqrstuvwxy"[random() % 25];
         key += random() % 2 ? letter : static_cast<char>(toupper(letter));
      }
      std::string folded;
      for (char c : key) folded += static_cast<char>(toupper(c));

      bool insert = random() % 10 < (phase == 0 ? 7 : 3);
      auto found = model.find(folded);
      if (insert) {
         int value = static_cast<int>(random() % 1000);
         table.Add(key.c_str(), value);
         if (found == model.end()) {
            model[folded] = value;
            if (2 * model.size() > capacity) capacity *= 2;
         } else {
            found->second = value;
         }
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
      for (const auto& entry : model) {
         int slot = table.Find(entry.first.c_str());
         ASSERT_NE(slot, -1) << entry.first;
         ASSERT_EQ(table.ValueAt(slot), entry.second);
      }
   }
}

TEST(StringIntHashCounting, CountsUpAndDownFromAbsent) {
   StringIntHash counts(32);
   EXPECT_EQ(counts.GetCount("a"), 0);
   EXPECT_EQ(counts.Entries(), 0);  // reading inserts nothing
   EXPECT_EQ(counts.DecrementCount("a"), -1);
   EXPECT_EQ(counts.GetCount("A"), -1);
   EXPECT_EQ(counts.IncrementCount("A"), 0);
   EXPECT_EQ(counts.IncrementCount("a"), 1);
   EXPECT_EQ(counts.Entries(), 1);
   int slot = counts.Find("c", 7);
   EXPECT_EQ(counts.Find("c", 9), slot);
   EXPECT_EQ(counts.GetCount("c"), 7);
}

TEST(StringHashTables, FindCreatesOnlyWithMaker) {
   StringHash outer(32);
   EXPECT_EQ(outer.Find("x", nullptr), -1);
   EXPECT_EQ(outer.Entries(), 0);

   int slot = outer.Find("x", StringHash::CreateHash);
   ASSERT_NE(slot, -1);
   StringHash* inner = static_cast<StringHash*>(outer.ValueAt(slot));
   EXPECT_EQ(inner->Capacity(), 32);
   EXPECT_EQ(inner->Entries(), 0);
   EXPECT_EQ(outer.Find("X", StringHash::CreateHash), slot);
   delete inner;
}

TEST(StringHashTables, AssignmentReplacesAndSurvivesSelf) {
   StringIntHash source(32), copy(32);
   for (int i = 0; i < 40; i++) source.Add(Key(i), i);
   copy.Add("stale", 1);
   copy = source;
   copy = copy;
   EXPECT_EQ(copy.Entries(), 40);
   EXPECT_EQ(copy.Find("stale"), -1);
   for (int i = 0; i < 40; i++) EXPECT_EQ(copy.GetCount(Key(i)), i);
}

TEST(StringHashFiles, ReadLinesTrimsAndMergesAndPrintWritesKeys) {
   testsupport::TempDir dir;
   std::string path = dir.Write("keys.txt", "a\n A \n\nb\n");
   StringHash table(32);
   table.ReadLinesFromFile(path.c_str());
   EXPECT_EQ(table.Entries(), 3);
   EXPECT_TRUE(table.Find("a") != -1 && table.Find("") != -1 && table.Find("b") != -1);

   table.ReadLinesFromFile(dir.File("missing.txt").c_str());
   EXPECT_EQ(table.Entries(), 3);

   // Slot order is the output order.
   std::string expected;
   for (int i = 0; i < table.Capacity(); i++)
      if (table.SlotInUse(i)) expected += std::string(table[i]) + "\n";
   table.Print(dir.File("out.txt").c_str());
   EXPECT_EQ(testsupport::ReadFile(dir.File("out.txt")), expected);
   table.Print(dir.File("no/such/dir.txt").c_str());
}

TEST(StringHashDeathTest, SizeMustBeAPowerOfTwo) {
   EXPECT_FATAL(StringHash table(48),
                "\nFATAL ERROR - \nStringHash: Hash table size must be a power of two.\n\n\n");
   EXPECT_FATAL(StringIntHash table(48),
                "\nFATAL ERROR - \nStringIntHash: Hash table size must be a power of two.\n\n\n");
   EXPECT_FATAL(
       StringDoubleHash table(48),
       "\nFATAL ERROR - \nStringDoubleHash: Hash table size must be a power of two.\n\n\n");
   // No slot at all would leave nothing to probe.
   EXPECT_FATAL(StringIntHash table(0),
                "\nFATAL ERROR - \nStringIntHash: Hash table size must be a power of two.\n\n\n");

   // Regression: a rebuild to a size with no free slot left, or not a power of
   // two, made the next probe search forever.
   StringIntHash counts(32);
   for (const char* key : {"a", "b", "c", "d"}) counts.Add(key, 1);
   EXPECT_FATAL(counts.SetSize(4),
                "\nFATAL ERROR - \nHash table size 4 must be a power of two larger than its 4 "
                "entries.\n\n\n");
   EXPECT_FATAL(counts.SetSize(24),
                "\nFATAL ERROR - \nHash table size 24 must be a power of two larger than its 4 "
                "entries.\n\n\n");
}

}  // namespace
