#include "base/StringArray.h"

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

using testsupport::TempDir;

std::vector<std::string> Items(const StringArray& a) {
   std::vector<std::string> out;
   for (int i = 0; i < a.Length(); i++) out.push_back(static_cast<const char*>(a[i]));
   return out;
}
using Strings = std::vector<std::string>;

TEST(StringArrayStorage, GrowsAtTheGranule) {
   StringArray a;
   EXPECT_EQ(a.Capacity(), 32);
   for (int i = 0; i < 31; i++) a.Add("x");
   EXPECT_EQ(a.Capacity(), 32);
   a.Add("x");  // Grow(32) with capacity 32
   EXPECT_EQ(a.Capacity(), 64);
   StringArray big(100);
   EXPECT_EQ(big.Capacity(), 128);
   big.Grow(1000);  // far past twice the capacity: exact fit
   EXPECT_EQ(big.Capacity(), 1024);

   StringArray d;
   d.Dimension(3);
   EXPECT_EQ(Items(d), (Strings{"", "", ""}));
   d[1] = "kept";
   d.Dimension(2);
   EXPECT_EQ(Items(d), (Strings{"", "kept"}));
}

TEST(StringArrayTokens, SeparatorRunsCountAsOne) {
   StringArray a;
   String seps(" \t\r\n");
   EXPECT_EQ(a.AddTokens("", seps), 0);
   EXPECT_EQ(a.AddTokens("   ", seps), 0);
   EXPECT_EQ(a.AddTokens(" a \t b\r\n", seps), 2);
   EXPECT_EQ(Items(a), (Strings{"a", "b"}));
   a.AddTokens(",,a,,b,,", ',');
   EXPECT_EQ(Items(a), (Strings{"a", "b", "a", "b"}));
   a.ReplaceTokens("only", seps);
   EXPECT_EQ(Items(a), (Strings{"only"}));

   String::caseSensitive = false;
   a.ReplaceTokens("aXb", String("x"));
   String::caseSensitive = true;
   EXPECT_EQ(Items(a), (Strings{"a", "b"}));
   a.ReplaceTokens("aXb", String("x"));
   EXPECT_EQ(Items(a), (Strings{"aXb"}));
}

TEST(StringArrayTokens, ColumnsKeepEmptyFields) {
   struct {
      const char* text;
      Strings columns;
   } cases[] = {
       {"a,,b", {"a", "", "b"}}, {"a,", {"a", ""}}, {",a", {"", "a"}}, {"", {""}}, {",", {"", ""}}};
   for (auto& c : cases) {
      StringArray a;
      a.AddColumns(c.text, ',');
      EXPECT_EQ(Items(a), c.columns) << c.text;
   }
}

TEST(StringArrayEditing, InsertDeletePopAndSearch) {
   StringArray a;
   a.Add("x");
   a.Add("y");
   a.InsertAt(0, "s");
   EXPECT_EQ(Items(a), (Strings{"s", "x", "y"}));
   a.Delete(0);
   EXPECT_EQ(Items(a), (Strings{"x", "y"}));
   EXPECT_EQ(std::string(a.Pop()), "y");
   EXPECT_EQ(Items(a), (Strings{"x"}));

   StringArray names;
   names.Add("abc");
   EXPECT_EQ(names.Find("zzz"), -1);
   EXPECT_EQ(names.Find("ABC"), -1);
   String::caseSensitive = false;
   EXPECT_EQ(names.Find("ABC"), 0);
   EXPECT_EQ(names.FastFind("ABC"), -1);
   String::caseSensitive = true;
   EXPECT_EQ(names.SlowFind("ABC"), 0);
}

TEST(StringArrayOrdering, SortIsNumberAwareAndEqualityIsOrdered) {
   StringArray a;
   for (const char* s : {"a10", "a9", "B", "a"}) a.Add(s);
   a.Sort();
   EXPECT_EQ(Items(a), (Strings{"B", "a", "a9", "a10"}));

   StringArray b, c;
   b.Add("1");
   b.Add("2");
   c.Add("2");
   c.Add("1");
   EXPECT_FALSE(b == c);
   EXPECT_TRUE(StringArray() == StringArray());
   c = b;
   EXPECT_TRUE(b == c);
}

std::string WriteLineOf(const Strings& items) {
   TempDir dir;
   StringArray a;
   for (auto& s : items) a.Add(s.c_str());
   std::string name = dir.File("out.txt");
   a.WriteLine(name.c_str());
   return testsupport::ReadFile(name);
}

TEST(StringArrayFiles, WriteLineSeparatesWithTabs) {
   EXPECT_EQ(WriteLineOf({"a", "b", "c"}), "a\tb\tc\n");
   EXPECT_EQ(WriteLineOf({}), "");
}

// The end test comes before each line, so the element count depends on when
// each reader lets its stream report the end.
TEST(StringArrayFiles, ReadingCountsLinesLikeItsReader) {
   TempDir dir;
   struct {
      const char* bytes;
      Strings viaIfile, viaStdio;
   } cases[] = {
       {"a\nb\n", {"a", "b", ""}, {"a", "b"}},
       {"a\nb", {"a", "b"}, {"a", "b"}},
       {"a\r\nb\r\n", {"a", "b", ""}, {"a", "b", ""}},
       {"", {""}, {""}},
   };
   for (auto& c : cases) {
      std::string name = dir.Write("lines.txt", c.bytes);
      StringArray viaIfile;
      IFILE f = ifopen("/dev/null", "rb");  // leaves the line-end memory neutral
      String neutral;
      neutral.ReadLine(f);
      ifclose(f);
      viaIfile.Read(name.c_str());
      EXPECT_EQ(Items(viaIfile), c.viaIfile) << c.bytes;

      StringArray viaStdio;
      FILE* stream = fopen(name.c_str(), "rb");
      viaStdio.Read(stream);
      fclose(stream);
      EXPECT_EQ(Items(viaStdio), c.viaStdio) << c.bytes;
   }
   StringArray untouched;
   untouched.Read(dir.File("missing").c_str());
   EXPECT_EQ(untouched.Length(), 0);
}

TEST(StringArrayDeathTest, LastOfEmptyArrayIsFatal) {
   StringArray a;
   EXPECT_FATAL(a.Last(), "\nFATAL ERROR - \nStringArray: Null String Access\n\n");
}

}  // namespace
