#include "base/StringBasics.h"

#include <climits>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "io/InputFile.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace std::string_literals;
using testsupport::TempDir;

int Sign(int v) {
   return (v > 0) - (v < 0);
}

// The switches are process-wide: every test that flips one puts it back.
template <class T>
class Scoped {
public:
   Scoped(T& variable, T value) : variable(variable), saved(variable) { variable = value; }
   ~Scoped() { variable = saved; }

private:
   T& variable;
   T saved;
};

// Smallest alloc * 2^k above n: the capacity that appending one at a time reaches.
int PowerOfTwoAbove(int n) {
   int c = 8;
   while (c <= n) c *= 2;
   return c;
}

// Table checks: each pair is (what the operation gave, what it should give).
void ExpectTexts(std::initializer_list<std::pair<String, const char*>> cases) {
   int i = 0;
   for (const auto& [got, want] : cases) EXPECT_STREQ(got, want) << "case " << i++;
}

void ExpectInts(std::initializer_list<std::pair<long long, long long>> cases) {
   int i = 0;
   for (const auto& [got, want] : cases) EXPECT_EQ(got, want) << "case " << i++;
}

TEST(StringGrowth, ConstructionAndCopyUseExactFit) {
   const std::pair<int, int> sizes[] = {{0, 8}, {7, 8}, {8, 16}, {15, 16}, {16, 24}, {100, 104}};
   for (auto [startSize, capacity] : sizes) {
      EXPECT_EQ(String(startSize).Capacity(), capacity) << startSize;
      String text(std::string(startSize, 'c').c_str());
      EXPECT_EQ(text.Capacity(), capacity) << startSize;
      String big(500);
      big = text;
      String copy(big);  // a copy is sized by the text, not by the source's buffer
      EXPECT_EQ(copy.Capacity(), capacity) << startSize;
      EXPECT_EQ(copy.Length(), startSize);
   }
   String none(static_cast<const char*>(nullptr));
   EXPECT_EQ(none.Length(), 0);
   EXPECT_EQ(none.Capacity(), 8);
   EXPECT_STREQ(String('x', 3), "xxx");
}

TEST(StringGrowth, GrowDoublesOrFitsByHowFarTheRequestReaches) {
   struct Case {
      int startSize, request, capacity;
   } cases[] = {
       {0, 7, 8},    {0, 8, 16},      {0, 15, 16},     {0, 16, 24},  {0, 20, 24},
       {16, 23, 24}, {16, 24, 32},    {16, 40, 64},    {16, 47, 64}, {16, 48, 56},
       {16, 64, 72}, {100, 200, 256}, {100, 208, 216}, {16, 3, 24},
   };
   for (const Case& c : cases) {
      String s(c.startSize);
      s = "abc";
      s.Grow(c.request);
      EXPECT_EQ(s.Capacity(), c.capacity) << c.startSize << " asked for " << c.request;
      EXPECT_STREQ(s, "abc");
   }
   Scoped<int> granule(String::alloc, 10);
   String s;
   EXPECT_EQ(s.Capacity(), 10);
   s.Grow(10);
   EXPECT_EQ(s.Capacity(), 20);
   s.Grow(50);
   EXPECT_EQ(s.Capacity(), 60);
}

TEST(StringGrowth, AppendingAndAssigningGrowByTheRules) {
   String s;
   for (int n = 1; n <= 300; n++) {
      s += static_cast<char>('a' + n % 26);
      ASSERT_EQ(s.Capacity(), PowerOfTwoAbove(n)) << n;
      ASSERT_EQ(s.Length(), n);
      ASSERT_EQ(strlen(s), static_cast<size_t>(n));
   }
   String t("abcde");
   t += "fghij";  // Grow(10) from 8
   EXPECT_EQ(t.Capacity(), 16);
   t += String(std::string(30, 'x').c_str());  // Grow(40) from 16
   EXPECT_EQ(t.Capacity(), 48);
   EXPECT_EQ(t.Length(), 40);
   String u;
   u = "abcdefghijklmnopqrst";
   EXPECT_EQ(u.Capacity(), 24);
}

TEST(StringCompare, NumberAwareOrder) {
   struct Case {
      const char *a, *b;
      int fast, slow;  // expected signs
   } cases[] = {
       {"a9", "a10", -1, -1},  {"x12", "x9", 1, 1}, {"x12", "x13", -1, -1}, {"ab", "a1", -1, -1},
       {"a", "a1", -1, -1},    {"", "a", -1, -1},   {"abc", "abc", 0, 0},   {"007", "7", 1, 1},
       {"a2b", "a10", -1, -1}, {"a19", "a2", 1, 1}, {"a21", "a19", 1, 1},   {"a12", "a1", 1, 1},
       {"ABC", "abc", -1, 0},  {"B", "a", -1, 1},   {"a10B", "A10b", 1, 0}, {"\xe9", "a", -1, -1},
   };
   for (const Case& c : cases) {
      String a(c.a), b(c.b);
      EXPECT_EQ(Sign(a.FastCompare(b)), c.fast) << c.a << " vs " << c.b;
      EXPECT_EQ(Sign(a.FastCompare(c.b)), c.fast) << c.a << " vs " << c.b;
      EXPECT_EQ(Sign(a.SlowCompare(b)), c.slow) << c.a << " vs " << c.b;
      EXPECT_EQ(Sign(a.SlowCompare(c.b)), c.slow) << c.a << " vs " << c.b;
      EXPECT_EQ(Sign(a.Compare(b)), c.fast);
      EXPECT_EQ(a != b, c.fast != 0);
      Scoped<bool> folding(String::caseSensitive, false);
      EXPECT_EQ(Sign(a.Compare(c.b)), c.slow) << c.a << " vs " << c.b;
      EXPECT_EQ(a != c.b, c.slow != 0);
   }
   // Exact results where the rule gives them.
   EXPECT_EQ(String("a1").FastCompare("a"), 1);
   EXPECT_EQ(String("a").FastCompare("a1"), -1);
   EXPECT_EQ(String("abc").FastCompare("abe"), 'c' - 'e');
   EXPECT_EQ(String("abc").SlowCompare("ABE"), 'C' - 'E');

   const char* none = nullptr;
   EXPECT_EQ(String("abc").FastCompare(none), -3);
   EXPECT_EQ(String("abc").SlowCompare(none), -3);
   EXPECT_EQ(String("").Compare(none), 0);
}

TEST(StringCompare, StemsAndPrefixes) {
   String abc("abc"), ab("ab"), empty(""), upper("ABC");
   ExpectInts({{abc.CompareToStem("ab"), 0},
               {abc.CompareToStem(empty), 0},
               {ab.CompareToStem("abc"), -'c'},  // the short string mismatches at its end
               {abc.CompareToStem("abd"), 'c' - 'd'},
               {empty.MatchesBeginningOf("xyz"), 0},
               {ab.MatchesBeginningOf(abc), 0},
               {abc.MatchesBeginningOf("ab"), 'c'},
               {String("abd").MatchesBeginningOf("abc"), 1},
               {upper.FastCompareToStem("ab"), 'A' - 'a'},
               {upper.SlowCompareToStem("ab"), 0},
               {upper.CompareToStem("ab"), 'A' - 'a'},
               {String("AB").FastMatchesBeginningOf(abc), 'A' - 'a'},
               {String("AB").SlowMatchesBeginningOf(abc), 0}});
   Scoped<bool> folding(String::caseSensitive, false);
   ExpectInts({{upper.CompareToStem("ab"), 0},
               {String("AB").MatchesBeginningOf(abc), 0},
               {String("AC").MatchesBeginningOf(abc), 'C' - 'B'}});
}

TEST(StringSearch, FindAndFindCharFollowTheCaseSwitch) {
   String s("abcABC"), abc("abc");
   ExpectInts({{s.Find("bc"), 1},
               {s.Find("bc", 2), -1},
               {s.Find("BC", 0), 4},
               {s.Find("BC", 4), 4},  // the last possible start
               {s.Find("BC", 5), -1},
               {s.Find(""), -1},
               {s.Find("abcABCx"), -1},
               {s.FindChar('C', 3), 5},
               {s.FindChar('c', 3), -1},
               {s.FindChar('a', 6), -1},
               {s.FindChar('z'), -1},
               {s.SlowFind("BC"), 1},
               {s.SlowFindChar('c', 3), 5},
               {abc.SlowFindChar('B', 0), 1},
               {abc.FastFindChar('B', 0), -1}});
   ExpectTexts({{String("aAbB").Filter("a"), "a"}, {String("aAbB").ExcludeCharacters("a"), "AbB"}});
   Scoped<bool> folding(String::caseSensitive, false);
   ExpectInts({{abc.Find("B"), 1},
               {abc.FindChar('B'), 1},
               {s.Find("BC", 2), 4},
               {s.FastFind("bc", 2), -1}});  // the named forms ignore the switch
   ExpectTexts({{String("aAbB").Filter("a"), "aA"}, {String("aAbB").ExcludeCharacters("a"), "bB"}});
}

TEST(StringEdit, SubstringsClampTheirRange) {
   String s("abcdef"), t("zz");
   ExpectTexts({{s.SubStr(-2, 5), "abc"},
                {s.SubStr(-10, 3), ""},
                {s.SubStr(10, 3), ""},
                {s.SubStr(2), "cdef"},
                {s.SubStr(6), ""},
                {s.SubStr(3, 0), ""},
                {s.Mid(1, 3), "bcd"},
                {s.Left(99), "abcdef"},
                {s.Left(-3), ""},
                {s.Right(2), "ef"},
                {s.Right(-1), ""},
                {s.Right(99), "abcdef"},
                {t.Copy(s, 2, 100), "cdef"},
                {t.Copy(s, 1, 2), "bc"},
                {t.Copy(s, 6, 2), ""},
                {s, "abcdef"}});
}

TEST(StringEdit, InPlaceEdits) {
   String s("ab"), word("hello"), other("x");
   EXPECT_EQ(s.SetLength(5), 5);
   EXPECT_STREQ(s, "ab   ");
   s.SetLength(1);
   ExpectTexts({{s, "a"},
                {String("abc").Fill('x'), "xxx"},
                {String("abc").Fill('y', 5), "yyyyy"},
                {String(" \t a b \n").Trim(), "a b"},
                {String(" \t\n ").Trim(), ""},
                {String("--a-b--").Trim('-'), "a-b"},
                {String("a1b2c3").Filter("123"), "123"},
                {String("a1b2c3").ExcludeCharacters(String("123")), "abc"},
                {String("aBc").ToUpper(), "ABC"},
                {String("aBc").ToLower(), "abc"},
                {String("abcd").Reverse(), "dcba"},
                {String("abc").Invert(), "cba"},
                {String("zz").Invert(String("xyz")), "zyx"},
                {word.AsUpper(), "HELLO"},
                {String("MiX").AsLower(), "mix"},
                {word.Capitalize(), "Hello"},
                {word.RightToLeft(), "olleh"},
                {word, "hello"}});
   word.Swap(other);
   ExpectTexts({{word, "x"}, {other, "hello"}});
}

TEST(StringConvert, IsNumberAndAsInteger) {
   for (const char* yes : {"5", "-5", "+.5", "5.", ".5", "1.5e-3", "5.e3", "1E+10", "007"})
      EXPECT_TRUE(String(yes).IsNumber()) << yes;
   for (const char* no :
        {"", ".", "-", "+", "1e", "e5", " 1", "1 ", "0x10", "1.2.3", "--5", "1e+", "5e3.0"})
      EXPECT_FALSE(String(no).IsNumber()) << no;

   const std::pair<const char*, long long> integers[] = {
       {"0x1f", 31},
       {"0X10", 16},
       {"-12z", -12},
       {"+5", 0},
       {"0x", 0},
       {"-0x", 0},
       {"12abc", 12},
       {"abc", 0},
       {"-0x1F", -31},
       {"0x1g", 1},
       {"ff", 0},
       {"-", 0},
       {"", 0},
       {"9000000000", 9000000000LL},
       {"0xFFFFFFFFFF", 0xFFFFFFFFFFLL},
   };
   for (auto [text, value] : integers) EXPECT_EQ(String(text).AsInteger(), value) << text;
}

TEST(StringConvert, AssignAndAppendNumbers) {
   String s("previous text");
   for (unsigned int n : {0u, 9u, 10u, 99u, 100u, 999999999u, 1000000000u, 4294967295u})
      EXPECT_EQ(std::string(s = n), std::to_string(n));
   for (int n : {0, -5, -10, INT_MAX, INT_MIN}) EXPECT_EQ(std::string(s = n), std::to_string(n));
   EXPECT_STREQ(s = 0.5, "0.500");
   EXPECT_STREQ(s = 2.0, "2.000");
   EXPECT_STREQ(s = -1.25, "-1.250");
   char expected[400];
   snprintf(expected, sizeof(expected), "%.3f", 1e300);
   EXPECT_STREQ(s = 1e300, expected);  // longer than the 32 reserved characters
   EXPECT_EQ(s.Length(), static_cast<int>(strlen(expected)));
   EXPECT_STREQ(s = 'z', "z");
   EXPECT_STREQ(s = '\0', "");

   String a("a");
   ExpectTexts({{a + 5, "a5"},
                {a + 4294967295u, "a4294967295"},
                {a + 2.5, "a2.500"},
                {a + 'c', "ac"},
                {a + static_cast<const char*>(nullptr), "a"},
                {a + String("bc"), "abc"},
                {'x' + a, "xa"},
                {"pre" + a, "prea"},
                {-7 + a, "-7a"},
                {7u + a, "7a"}});
   a += -3;
   a += 4u;
   a += 0.125;
   a += '\0';
   EXPECT_STREQ(a, "a-340.125");
}

TEST(StringConcat, AppendingToItself) {
   String s("abcdefgh");  // capacity 16: doubling needs no growth
   s += s;
   EXPECT_STREQ(s, "abcdefghabcdefgh");  // and this one must grow
   s += s;
   EXPECT_STREQ(s, "abcdefghabcdefghabcdefghabcdefgh");
   String t("abcdefghijklmno");  // 15 characters in 16 bytes
   t += static_cast<const char*>(t) + 5;
   EXPECT_STREQ(t, "abcdefghijklmnofghijklmno");
   String r("ab");
   r *= 3;
   EXPECT_STREQ(r, "ababab");
   r *= 1;
   EXPECT_STREQ(r, "ababab");
   r *= 0;
   EXPECT_STREQ(r, "");
   String c("xyz");
   const String& alias = c;
   c = alias;
   c = static_cast<const char*>(c) + 1;
   EXPECT_STREQ(c, "yz");
   c = static_cast<const char*>(nullptr);
   EXPECT_STREQ(c, "");
}

TEST(StringFormat, PrintfGrowsPastCapacityWithEitherFormatter) {
   {
      Scoped<int> untested(String::vsnprintfChecked, 0);
      String::check_vsnprintf();
      EXPECT_EQ(String::vsnprintfChecked, 1);  // this platform's vsnprintf conforms
   }
   const std::string big(300, 'q');
   for (int checked : {1, 2}) {
      Scoped<int> formatter(String::vsnprintfChecked, checked);
      String s;
      EXPECT_EQ(s.printf("%s-%d", big.c_str(), 42), 303);
      EXPECT_EQ(std::string(s), big + "-42");
      EXPECT_EQ(s.printf("%d", 7), 1);
      EXPECT_STREQ(s, "7");
      EXPECT_EQ(s.Length(), 1);

      String t("abcd");  // 4 characters in 8 bytes
      EXPECT_EQ(t.catprintf("%s", "efg"), 7);
      EXPECT_EQ(t.Capacity(), 8);
      EXPECT_EQ(t.catprintf("%c", 'h'), 8);  // exactly the capacity: must grow
      EXPECT_STREQ(t, "abcdefgh");
      EXPECT_EQ(t.catprintf("|%s|%05d", big.c_str(), 12), 8 + 302 + 5);
      EXPECT_EQ(std::string(t), "abcdefgh|" + big + "|00012");
      EXPECT_EQ(String::vsnprintfChecked, checked);
   }
}

// Regression: formatting a string's own text into itself read the buffer
// that growing had just freed.
TEST(StringFormat, OwnTextAsArgumentSurvivesGrowth) {
   for (int checked : {1, 2}) {
      Scoped<int> formatter(String::vsnprintfChecked, checked);
      String s("abcdefg");
      s.catprintf("%s", static_cast<const char*>(s));
      EXPECT_STREQ(s, "abcdefgabcdefg");
      String t("0123456789");
      t.printf("[%s][%s]", static_cast<const char*>(t), static_cast<const char*>(t));
      EXPECT_STREQ(t, "[0123456789][0123456789]");
   }
}

TEST(StringFormat, FallbackFormatterFollowsTheVsnprintfContract) {
   char out[32];
   memset(out, '#', sizeof(out));
   EXPECT_EQ(String::my_snprintf(out, 16, "%d-%s", 12, "ab"), 5);
   EXPECT_EQ(std::string(out, 7), "12-ab\0#"s);
   memset(out, '#', sizeof(out));
   EXPECT_EQ(String::my_snprintf(out, 6, "%s", "abcde"), 5);  // r = n - 1 still fits
   EXPECT_EQ(std::string(out, 7), "abcde\0#"s);
   memset(out, '#', sizeof(out));
   EXPECT_EQ(String::my_snprintf(out, 5, "%s", "abcde"), 5);  // r = n: no terminator
   EXPECT_EQ(std::string(out, 6), "abcde#");
   memset(out, '#', sizeof(out));
   EXPECT_EQ(String::my_snprintf(out, 4, "%s", "abcdefgh"), 8);
   EXPECT_EQ(std::string(out, 6), "abcd##");
   memset(out, '#', sizeof(out));
   EXPECT_EQ(String::my_snprintf(out, 0, "%s", "abc"), 3);
   EXPECT_EQ(out[0], '#');
   // The scratch file keeps older, longer text behind the new one.
   EXPECT_EQ(String::my_snprintf(out, 32, "%s", "0123456789abcdef"), 16);
   EXPECT_EQ(String::my_snprintf(out, 32, "%s", "xy"), 2);
   EXPECT_STREQ(out, "xy");
}

TEST(StringBuffer, UnlockBufferFindsTheNewLength) {
   String s;
   char* p = s.LockBuffer(40);
   EXPECT_GT(s.Capacity(), 40);
   memcpy(p, "abc", 4);
   s.UnlockBuffer();
   EXPECT_EQ(s.Length(), 3);
   memset(p, 'x', s.Capacity() - 1);  // the last byte is the one NUL
   p[s.Capacity() - 1] = 0;
   s.UnlockBuffer();
   EXPECT_EQ(s.Length(), s.Capacity() - 1);
   String w("abc");
   EXPECT_EQ(w.WriteLine(nullptr), 0);
}

TEST(StringDeathTest, UnlockBufferOverrunIsFatal) {
   EXPECT_FATAL(
       {
          String s;
          char* p = s.LockBuffer(10);
          memset(p, 'x', s.Capacity());
          s.UnlockBuffer();
       },
       "\nFATAL ERROR - \nBasicString - direct access overflowed buffer\n\n");
}

// ---------------------------------------------------------------- stdio readers

struct StdioStep {
   std::string line;
   bool eofAfter;
};

TEST(StringReadLineStdio, LineEndsAndEndOfFile) {
   const std::string x300(300, 'x'), x100k(100000, 'y');
   const std::pair<std::string, std::vector<StdioStep>> cases[] = {
       {"a\r\nb\n\rc\rd", {{"a", false}, {"b", false}, {"c", false}, {"d", true}}},
       {"\n\n", {{"", false}, {"", true}}},
       {"\r\n\r\n", {{"", false}, {"", false}, {"", true}}},
       {"x\n", {{"x", true}}},
       {"x\r", {{"x", true}}},
       {"x\r\n", {{"x", false}, {"", true}}},
       {"x\n\r", {{"x", false}, {"", true}}},
       {"x", {{"x", true}}},
       {"", {{"", true}}},
       {x300 + "\r\nnext", {{x300, false}, {"next", true}}},
       {x100k + "\n", {{x100k, true}}},
       {x100k, {{x100k, true}}},
   };
   TempDir dir;
   for (const auto& [bytes, steps] : cases) {
      FILE* f = fopen(dir.Write("in.txt", bytes).c_str(), "rb");
      ASSERT_NE(f, nullptr);
      String line("stale");
      for (size_t i = 0; i < steps.size(); i++) {
         line.ReadLine(f);
         EXPECT_EQ(std::string(line), steps[i].line) << "call " << i << " on [" << bytes << "]";
         EXPECT_EQ(feof(f) != 0, steps[i].eofAfter) << "call " << i << " on [" << bytes << "]";
      }
      fclose(f);
   }
   String line("stale");
   EXPECT_STREQ(line.ReadLine(static_cast<FILE*>(nullptr)), "");
}

TEST(StringReadLineStdio, LinesAtChunkBoundariesComeBackWhole) {
   TempDir dir;
   for (int n : {127, 128, 129, 383, 384, 385, 896, 897}) {
      std::string text(n, 'k');
      FILE* f = fopen(dir.Write("in.txt", text + "\n" + text + "\r\nz").c_str(), "rb");
      String line;
      EXPECT_EQ(std::string(line.ReadLine(f)), text) << n;
      EXPECT_EQ(std::string(line.ReadLine(f)), text) << n;
      EXPECT_STREQ(line.ReadLine(f), "z");
      fclose(f);
   }
}

TEST(StringReadStdio, WordsAcrossSeparatorsAndChunks) {
   const std::string w200(200, 'w'), w128(128, 'v');
   TempDir dir;
   FILE* f = fopen(
       dir.Write("words.txt", "  foo\tbar\nbaz\rqux\fquux  " + w200 + "\n" + w128 + " " + w128)
           .c_str(),
       "rb");
   String word;
   for (const std::string& expected : {"foo"s, "bar"s, "baz"s, "qux"s, "quux"s, w200, w128, w128})
      EXPECT_EQ(std::string(word.Read(f)), expected);
   EXPECT_STREQ(word.Read(f), "");
   EXPECT_TRUE(feof(f));
   fclose(f);
   EXPECT_STREQ(word.Read(static_cast<FILE*>(nullptr)), "");
}

// ---------------------------------------------------------------- input-file readers

enum class Source { kPlain, kGzip, kStdio };

IFILE OpenAs(const TempDir& dir, const std::string& bytes, Source source) {
   if (source == Source::kPlain) return ifopen(dir.Write("plain.txt", bytes).c_str(), "rb");
   if (source == Source::kGzip) return ifopen(dir.WriteGzip("packed.gz", bytes).c_str(), "rb");
   IFILE f;
   f.gzMode = false;
   f.handle = fopen(dir.Write("stdio.txt", bytes).c_str(), "rb");
   return f;
}

// The line-end memory is shared by every input file; reading a file that ends
// without a line end clears it.
void ResetLineEndMemory(const TempDir& dir) {
   IFILE f = ifopen(dir.Write("reset.txt", "x").c_str(), "rb");
   String line;
   while (!ifeof(f)) line.ReadLine(f);
   ifclose(f);
}

// What the usual `while (!ifeof(f))` loop collects, bounded so a reader that
// never ends fails instead of hanging.
template <class Reader>
std::vector<std::string> Collect(IFILE& f, Reader read) {
   std::vector<std::string> items;
   String text;
   for (int guard = 0; guard < 1000 && !ifeof(f); guard++) {
      read(text, f);
      items.push_back(std::string(text));
   }
   return items;
}

// Plain files report their end only on the read after the last byte; gzip
// input may report it sooner, dropping the final empty item.
void ExpectItems(const std::vector<std::string>& got, std::vector<std::string> want, Source source,
                 const std::string& bytes) {
   if (source == Source::kGzip && got.size() + 1 == want.size() && want.back().empty())
      want.pop_back();
   EXPECT_EQ(got, want) << "source " << static_cast<int>(source) << " bytes [" << bytes << "]";
}

TEST(StringReadLineIfile, LineEndsLongLinesAndEndOfFile) {
   const std::string x300(300, 'x'), x100k(100000, 'y');
   const std::pair<std::string, std::vector<std::string>> cases[] = {
       {"a\r\nb\n\rc\rd", {"a", "b", "c", "d"}},
       {"\n\n", {"", "", ""}},
       {"a\n", {"a", ""}},
       {"a", {"a"}},
       {"", {""}},
       {"a\n\r\n\rb", {"a", "", "b"}},
       {"a\r\r\nb", {"a", "", "b"}},
       {"a\n\nb", {"a", "", "b"}},
       {x300 + "\r\ntail", {x300, "tail"}},
       {x100k + "\n" + x300, {x100k, x300}},
       {x100k + "\r", {x100k, ""}},
   };
   TempDir dir;
   for (Source source : {Source::kPlain, Source::kGzip, Source::kStdio}) {
      for (const auto& [bytes, lines] : cases) {
         ResetLineEndMemory(dir);
         IFILE f = OpenAs(dir, bytes, source);
         ASSERT_FALSE(f == nullptr);
         ExpectItems(Collect(f, [](String& s, IFILE& in) { s.ReadLine(in); }), lines, source,
                     bytes);
         EXPECT_EQ(iferror(f), 0);
         ifclose(f);
      }
   }
}

TEST(StringReadLineIfile, EndIsReportedOnlyAfterTheReadPastTheLastLineEnd) {
   TempDir dir;
   for (Source source : {Source::kPlain, Source::kStdio}) {
      ResetLineEndMemory(dir);
      IFILE f = OpenAs(dir, "a\n", source);
      String line;
      EXPECT_STREQ(line.ReadLine(f), "a");
      EXPECT_FALSE(ifeof(f));
      EXPECT_STREQ(line.ReadLine(f), "");
      EXPECT_TRUE(ifeof(f));
      ifclose(f);
   }
   ResetLineEndMemory(dir);
   IFILE f = OpenAs(dir, "a\n", Source::kGzip);
   String line;
   EXPECT_STREQ(line.ReadLine(f), "a");
   EXPECT_STREQ(line.ReadLine(f), "");
   EXPECT_TRUE(ifeof(f));
   ifclose(f);
}

TEST(StringReadLineIfile, LineEndMemorySpansFiles) {
   // first file, second file, first line of the second file
   const char* cases[][3] = {
       {"a\r", "\nb", "b"},  // CR here and LF there are one line end
       {"a\n", "\rb", "b"}, {"a\r", "\rb", ""}, {"a\n", "\nb", ""}, {"a", "\nb", ""},
   };
   TempDir dir;
   for (Source source : {Source::kPlain, Source::kGzip, Source::kStdio}) {
      for (auto& c : cases) {
         ResetLineEndMemory(dir);
         IFILE first = OpenAs(dir, c[0], source);
         Collect(first, [](String& s, IFILE& in) { s.ReadLine(in); });
         ifclose(first);
         IFILE second = OpenAs(dir, c[1], Source::kPlain);
         String line;
         EXPECT_STREQ(line.ReadLine(second), c[2]) << c[0] << " then " << c[1];
         ifclose(second);
      }
   }
}

TEST(StringReadIfile, WordsSeparatorsAndNul) {
   const std::string w200(200, 'w');
   const std::pair<std::string, std::vector<std::string>> cases[] = {
       {"  foo\tbar", {"foo", "bar"}},
       {"ab\0cd"s, {"ab", "cd"}},
       {"\f\r\n\t x \n", {"x", ""}},
       {w200 + "\nnext", {w200, "next"}},
       {"a b\tc\nd\re\ff", {"a", "b", "c", "d", "e", "f"}},
   };
   TempDir dir;
   for (Source source : {Source::kPlain, Source::kGzip, Source::kStdio}) {
      for (const auto& [bytes, words] : cases) {
         IFILE f = OpenAs(dir, bytes, source);
         ExpectItems(Collect(f, [](String& s, IFILE& in) { s.Read(in); }), words, source, bytes);
         ifclose(f);
      }
   }
   IFILE missing = ifopen(dir.File("missing.txt").c_str(), "rb");
   String word("stale");
   EXPECT_STREQ(word.Read(missing), "");
}

// Regression: a name read with a NUL byte where the other name ends (an info
// file line "rs1\0..." against the SNP name "rs1") carried the comparison past
// the end of the other name's buffer.
TEST(StringCompareRegression, NulReadFromAFileDoesNotEndEitherName) {
   TempDir dir;
   ResetLineEndMemory(dir);
   // 0xbe is what AddressSanitizer fills fresh buffers with: the bytes after
   // the shorter name's terminator match until its buffer ends.
   IFILE f = OpenAs(dir, "rs1\0\xbe\xbe\xbe\xbeXYZW\nrs1\0\n"s, Source::kPlain);
   String longer, nulEnded;
   longer.ReadLine(f);
   nulEnded.ReadLine(f);
   ifclose(f);
   ASSERT_EQ(longer.Length(), 12);
   ASSERT_EQ(nulEnded.Length(), 4);

   String name("rs1");
   for (bool exact : {true, false}) {
      Scoped<bool> switched(String::caseSensitive, exact);
      EXPECT_GT(longer.Compare(name), 0);
      EXPECT_LT(name.Compare(longer), 0);
      EXPECT_GT(nulEnded.Compare(name), 0);
      EXPECT_LT(name.Compare(nulEnded), 0);
      // 0xbe against the terminator: signed byte order puts it first.
      EXPECT_LT(longer.Compare(nulEnded), 0);
      EXPECT_GT(nulEnded.Compare(longer), 0);
      EXPECT_EQ(nulEnded.Compare(String(nulEnded)), 0);
      EXPECT_TRUE(longer != name);
      // A character pointer ends at its first NUL.
      EXPECT_GT(longer.Compare(static_cast<const char*>(name)), 0);
      EXPECT_EQ(name.Compare(static_cast<const char*>(nulEnded)), 0);
   }
}

}  // namespace
