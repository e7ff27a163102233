#include "base/StringArray.h"

#include <cstdio>
#include <string>

#include "base/StringBasics_internal.h"
#include "tests/support/TestSupport.h"

namespace {

// "[a][]" for the elements "a" and "".
std::string Join(const StringArray& a) {
   std::string joined;
   for (int i = 0; i < a.Length(); i++) joined += "[" + std::string(a[i]) + "]";
   return joined;
}

StringArray Make(std::initializer_list<const char*> items) {
   StringArray a;
   for (const char* s : items) a.Add(s);
   return a;
}

TEST(StringArray, StorageGrowsAtTheGranule) {
   StringArray a, big(100);
   for (int i = 0; i < 32; i++) {
      EXPECT_EQ(a.Capacity(), 32);
      a.Add("x");
   }
   EXPECT_EQ(a.Capacity(), 64);
   EXPECT_EQ(big.Capacity(), 128);
   big.Grow(1000);  // far past twice the capacity: exact fit
   EXPECT_EQ(big.Capacity(), 1024);

   StringArray d;
   d.Dimension(3);
   d[1] = "kept";
   d.Dimension(2);
   EXPECT_EQ(Join(d), "[][kept]");
}

TEST(StringArray, TokensMergeSeparatorRunsAndColumnsKeepEmptyFields) {
   StringArray a;
   String seps(" \t\r\n");
   EXPECT_EQ(a.AddTokens("   ", seps), 0);
   EXPECT_EQ(a.AddTokens(" a \t b\r\n", seps), 2);
   EXPECT_EQ(a.AddTokens(",,c,,d,,", ','), 4);
   EXPECT_EQ(Join(a), "[a][b][c][d]");
   a.ReplaceTokens("aXb", String("x"));
   EXPECT_EQ(Join(a), "[aXb]");
   String::caseSensitive = false;
   a.ReplaceTokens("aXb", String("x"));
   String::caseSensitive = true;
   EXPECT_EQ(Join(a), "[a][b]");

   const char* columns[][2] = {{"a,,b", "[a][][b]"}, {"a,", "[a][]"}, {",a", "[][a]"}, {"", "[]"}};
   for (auto& [text, expected] : columns) {
      StringArray c;
      c.AddColumns(text, ',');
      EXPECT_EQ(Join(c), expected) << text;
   }
}

TEST(StringArray, EditingSearchingSortingAndPrinting) {
   StringArray a = Make({"x", "y"});
   a.InsertAt(0, "s");
   a.InsertAt(3, "t");
   a.Delete(1);
   EXPECT_EQ(std::string(a.Pop()), "t");
   EXPECT_EQ(Join(a), "[s][y]");
   EXPECT_EQ(a.CharLength(), 2);
   EXPECT_EQ(a.Find("Y"), -1);
   String::caseSensitive = false;
   EXPECT_EQ(a.Find("Y"), 1);
   EXPECT_EQ(a.FastFind("Y"), -1);
   String::caseSensitive = true;
   EXPECT_EQ(a.SlowFind("Y"), 1);
   EXPECT_EQ(a.Find("z"), -1);

   StringArray s = Make({"a10", "a9", "B", "a"});
   s.Sort();
   EXPECT_EQ(Join(s), "[B][a][a9][a10]");
   EXPECT_FALSE(Make({"1", "2"}) == Make({"2", "1"}));
   EXPECT_FALSE(Make({"1"}) == Make({"1", "2"}));
   s = Make({"1", "2"});
   EXPECT_TRUE(s == Make({"1", "2"}));

   testsupport::StdoutCapture capture;
   s.Print();
   s.PrintLine();
   Make({}).PrintLine();
   fflush(stdout);
   EXPECT_EQ(capture.Finish(), "1\n2\n1\t2\n");
}

// The end test comes before each line, so the element count depends on when
// each reader lets its stream report the end.
TEST(StringArray, ReadingCountsLinesLikeItsReader) {
   testsupport::TempDir dir;
   // bytes, then the elements read through an input file and through stdio
   const char* cases[][3] = {{"a\nb\n", "[a][b][]", "[a][b]"},
                             {"a\nb", "[a][b]", "[a][b]"},
                             {"a\r\nb\r\n", "[a][b][]", "[a][b][]"},
                             {"", "[]", "[]"}};
   for (auto& c : cases) {
      std::string name = dir.Write("lines.txt", c[0]);
      loci_internal::IfileLineEnd() = 0;  // no line end carried over from an earlier file
      StringArray viaIfile, viaStdio;
      viaIfile.Read(name.c_str());
      EXPECT_EQ(Join(viaIfile), c[1]) << c[0];
      FILE* stream = fopen(name.c_str(), "rb");
      viaStdio.Read(stream);
      fclose(stream);
      EXPECT_EQ(Join(viaStdio), c[2]) << c[0];
   }
   StringArray untouched;
   untouched.Read(dir.File("missing").c_str());
   EXPECT_EQ(untouched.Length(), 0);
   Make({"a", "b", "c"}).WriteLine(dir.File("out.txt").c_str());
   EXPECT_EQ(testsupport::ReadFile(dir.File("out.txt")), "a\tb\tc\n");
}

TEST(StringArrayDeathTest, LastOfEmptyArrayIsFatal) {
   EXPECT_FATAL(StringArray().Last(), "\nFATAL ERROR - \nStringArray: Null String Access\n\n");
}

}  // namespace
