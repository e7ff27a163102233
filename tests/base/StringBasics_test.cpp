#include "base/StringBasics.h"

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "base/StringArray.h"
#include "base/StringBasics_internal.h"
#include "io/InputFile.h"
#include "io/InputFile_internal.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace std::string_literals;
using Lines = std::vector<std::string>;

int Sign(int v) {
   return (v > 0) - (v < 0);
}

std::string Join(std::initializer_list<String> parts) {
   std::string joined;
   for (const String& part : parts) joined += (joined.empty() ? "" : "|") + std::string(part);
   return joined;
}

// Appending one at a time doubles the capacity from the granule, always
// leaving room for the terminator.
TEST(StringGrowth, AppendingDoublesTheCapacity) {
   String s, none(static_cast<const char*>(nullptr));
   for (int n = 1, capacity = 8; n <= 300; n++) {
      s += static_cast<char>('a' + n % 26);
      if (n == capacity) capacity *= 2;
      ASSERT_TRUE(s.Capacity() == capacity && s.Length() == n && strlen(s) == size_t(n)) << n;
   }
   EXPECT_TRUE(none.Length() == 0 && none.Capacity() == 8);
   EXPECT_STREQ(String('x', 3), "xxx");
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
      String::caseSensitive = false;
      EXPECT_EQ(Sign(a.Compare(c.b)), c.slow) << c.a << " vs " << c.b;
      EXPECT_EQ(a != c.b, c.slow != 0);
      String::caseSensitive = true;
   }
   // Exact results where the rule gives them.
   EXPECT_EQ(String("a1").FastCompare("a"), 1);
   EXPECT_EQ(String("a").FastCompare("a1"), -1);
   EXPECT_EQ(String("abc").FastCompare("abe"), 'c' - 'e');
   EXPECT_EQ(String("abc").SlowCompare("ABE"), 'C' - 'E');
   const char* none = nullptr;
   EXPECT_TRUE(String("abc").FastCompare(none) == -3 && String("abc").SlowCompare(none) == -3);
}

// A stem test and the matching prefix test: stem.MatchesBeginningOf(text)
// is the negated text.CompareToStem(stem).
TEST(StringCompare, StemsAndPrefixes) {
   struct Case {
      const char *text, *stem;
      int fast, slow;
   } cases[] = {{"abc", "ab", 0, 0},         {"abc", "", 0, 0},
                {"ab", "abc", -'c', -'C'},   {"abc", "abd", 'c' - 'd', 'c' - 'd'},
                {"ABC", "ab", 'A' - 'a', 0}, {"aC", "Ab", 'a' - 'A', 'C' - 'B'}};
   for (const Case& c : cases) {
      String text(c.text), stem(c.stem);
      EXPECT_TRUE(text.FastCompareToStem(stem) == c.fast &&
                  text.FastCompareToStem(c.stem) == c.fast);
      EXPECT_TRUE(text.SlowCompareToStem(stem) == c.slow &&
                  text.SlowCompareToStem(c.stem) == c.slow);
      EXPECT_TRUE(stem.FastMatchesBeginningOf(text) == -c.fast &&
                  stem.FastMatchesBeginningOf(c.text) == -c.fast);
      EXPECT_TRUE(stem.SlowMatchesBeginningOf(text) == -c.slow &&
                  stem.SlowMatchesBeginningOf(c.text) == -c.slow);
      for (bool exact : {true, false}) {
         String::caseSensitive = exact;
         int expected = exact ? c.fast : c.slow;
         EXPECT_TRUE(text.CompareToStem(stem) == expected &&
                     text.CompareToStem(c.stem) == expected);
         EXPECT_TRUE(stem.MatchesBeginningOf(text) == -expected &&
                     stem.MatchesBeginningOf(c.text) == -expected);
      }
      String::caseSensitive = true;
   }
}

TEST(StringSearch, FindAndFindCharFollowTheCaseSwitch) {
   String s("abcABC");
   struct {
      const char* sub;
      int start, fast, slow;
   } finds[] = {{"bc", 0, 1, 1},   {"bc", 2, -1, 4}, {"BC", 0, 4, 1},        {"BC", 4, 4, 4},
                {"BC", 5, -1, -1}, {"", 0, -1, -1},  {"abcABCx", 0, -1, -1}, {"a", -1, -1, -1}};
   struct {
      char ch;
      int start, fast, slow;
   } chars[] = {{'C', 3, 5, 5}, {'c', 3, -1, 5},   {'a', 6, -1, -1}, {'z', 0, -1, -1},
                {'B', 0, 4, 1}, {'a', -1, -1, -1}, {'\0', 0, -1, -1}};
   for (bool exact : {true, false}) {
      String::caseSensitive = exact;
      for (auto& f : finds) {
         EXPECT_EQ(s.Find(f.sub, f.start), exact ? f.fast : f.slow) << f.sub << " " << f.start;
         EXPECT_TRUE(s.FastFind(f.sub, f.start) == f.fast && s.SlowFind(f.sub, f.start) == f.slow);
      }
      for (auto& c : chars) {
         EXPECT_EQ(s.FindChar(c.ch, c.start), exact ? c.fast : c.slow) << c.ch << " " << c.start;
         EXPECT_TRUE(s.FastFindChar(c.ch, c.start) == c.fast &&
                     s.SlowFindChar(c.ch, c.start) == c.slow);
      }
      EXPECT_EQ(Join({String("aAbB").Filter("a"), String("aAbB").ExcludeCharacters("a")}),
                exact ? "a|AbB" : "aA|bB");
   }
   String::caseSensitive = true;
}

TEST(StringEdit, SubstringsClampAndEditsWorkInPlace) {
   const String s("abcdef");
   struct {
      int start, count;
      const char* expected;
   } cases[] = {{-2, 5, "abc"}, {-10, 3, ""}, {10, 3, ""}, {2, 100, "cdef"},
                {6, 2, ""},     {3, 0, ""},   {1, 2, "bc"}};
   for (auto& c : cases) {
      EXPECT_STREQ(s.SubStr(c.start, c.count), c.expected) << c.start << " " << c.count;
      if (c.start >= 0) {
         EXPECT_STREQ(String("zz").Copy(s, c.start, c.count), c.expected);
      }
   }
   String self(s);
   EXPECT_EQ(Join({s.SubStr(2), s.SubStr(6), s.Mid(1, 3), s.Left(99), s.Left(-3), s.Left(2),
                   s.Right(2), s.Right(-1), s.Right(99), self.Copy(self, 2, 3)}),
             "cdef||bcd|abcdef||ab|ef||abcdef|cde");

   String word("hello"), other("x"), pad("ab");
   EXPECT_EQ(pad.SetLength(5), 5);
   EXPECT_STREQ(pad, "ab   ");
   pad.SetLength(1);
   EXPECT_EQ(
       Join({pad, String("abc").Fill('x'), String("abc").Fill('y', 5), String(" \t a b \n").Trim(),
             String(" \t\n ").Trim(), String("--a-b--").Trim('-'), String("a1b2c3").Filter("123"),
             String("a1b2c3").ExcludeCharacters(String("123")), String("aBc\xe9").ToUpper(),
             String("aBc").ToLower(), String("abcd").Reverse(), String("abc").Invert(),
             String("zz").Invert(String("xyz")), word.AsUpper(), String("MiX").AsLower(),
             word.Capitalize(), word.RightToLeft(), word}),
       "a|xxx|yyyyy|a b||a-b|123|abc|ABC\xe9|abc|dcba|cba|zyx|HELLO|mix|Hello|olleh|hello");
   word.Swap(other);
   EXPECT_EQ(Join({word, other}), "x|hello");
}

TEST(StringConvert, NumbersInAndOut) {
   for (const char* yes : {"5", "-5", "+.5", "5.", ".5", "1.5e-3", "5.e3", "1E+10", "007"})
      EXPECT_TRUE(String(yes).IsNumber()) << yes;
   for (const char* no :
        {"", ".", "-", "+", "1e", "e5", " 1", "1 ", "0x10", "1.2.3", "--5", "1e+", "5e3.0"})
      EXPECT_FALSE(String(no).IsNumber()) << no;
   const std::pair<const char*, int> integers[] = {
       {"0x1f", 31}, {"0X10", 16},   {"-12z", -12}, {"+5", 0}, {"0x", 0}, {"-0x", 0}, {"12abc", 12},
       {"abc", 0},   {"-0x1F", -31}, {"0x1g", 1},   {"ff", 0}, {"-", 0},  {"", 0}};
   for (auto [text, value] : integers) EXPECT_EQ(String(text).AsInteger(), value) << text;
   EXPECT_EQ(String("9000000000").AsInteger(), 9000000000);
   EXPECT_EQ(String("0xFFFFFFFFFF").AsInteger(), 0xFFFFFFFFFF);

   String s("previous text");
   for (unsigned int n : {0u, 9u, 10u, 99u, 100u, 999999999u, 1000000000u, 4294967295u})
      EXPECT_EQ(std::string(s = n), std::to_string(n));
   for (int n : {0, -5, -10, INT_MAX, INT_MIN}) EXPECT_EQ(std::string(s = n), std::to_string(n));
   // Up to the 32 reserved characters, at the capacity that gives, and beyond.
   for (double x : {0.5, -1.25, -1e35, 1e300}) {
      String d;
      char expected[400];
      snprintf(expected, sizeof(expected), "%.3f", x);
      EXPECT_STREQ(d = x, expected);
      EXPECT_EQ(d.Length(), static_cast<int>(strlen(expected)));
   }
   String a("a");
   EXPECT_EQ(Join({s = 'z', s = '\0', a + 5, a + 4294967295u, a + 2.5, a + 'c',
                   a + static_cast<const char*>(nullptr), a + String("bc"), 'x' + a, "pre" + a,
                   -7 + a, 7u + a}),
             "z||a5|a4294967295|a2.500|ac|a|abc|xa|prea|-7a|7a");
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
   String r("ab"), c("xyz");
   EXPECT_EQ(Join({r *= 3, r *= 1, r *= 0}), "ababab|ababab|");
   c = static_cast<const String&>(c);
   c = static_cast<const char*>(c) + 1;
   EXPECT_STREQ(c, "yz");
   c = static_cast<const char*>(nullptr);
   EXPECT_STREQ(c, "");
}

TEST(StringFormat, PrintfGrowsPastCapacityWithEitherFormatter) {
   String::vsnprintfChecked = 0;
   String::check_vsnprintf();
   EXPECT_EQ(String::vsnprintfChecked, 1);  // this platform's vsnprintf conforms
   const std::string big(300, 'q');
   for (int checked : {1, 2}) {
      String::vsnprintfChecked = checked;
      String s, t("abcd");  // 4 characters in 8 bytes
      EXPECT_EQ(s.printf("%s-%d", big.c_str(), 42), 303);
      EXPECT_EQ(std::string(s), big + "-42");
      EXPECT_EQ(s.printf("%s", ""), 0);
      EXPECT_EQ(s.printf("%d", 7), 1);
      EXPECT_TRUE(s.Length() == 1 && s[0] == '7' && s[1] == 0);
      EXPECT_EQ(t.catprintf("%s", "efg"), 7);
      EXPECT_EQ(t.Capacity(), 8);
      EXPECT_EQ(t.catprintf("%c", 'h'), 8);  // exactly the capacity: must grow
      EXPECT_EQ(t.catprintf("|%s|%05d", big.c_str(), 12), 8 + 302 + 5);
      EXPECT_EQ(std::string(t), "abcdefgh|" + big + "|00012");
   }
   String::vsnprintfChecked = 1;
}

// Regression: formatting a string's own text into itself read the buffer
// that growing had just freed.
TEST(StringFormat, OwnTextAsArgumentSurvivesGrowth) {
   for (int checked : {1, 2}) {
      String::vsnprintfChecked = checked;
      String s("abcdefg"), t("0123456789");
      s.catprintf("%s", static_cast<const char*>(s));
      t.printf("[%s][%s]", static_cast<const char*>(t), static_cast<const char*>(t));
      EXPECT_EQ(Join({s, t}), "abcdefgabcdefg|[0123456789][0123456789]");
   }
   String::vsnprintfChecked = 1;
}

TEST(StringFormat, FallbackFormatterFollowsTheVsnprintfContract) {
   struct {
      int room;
      const char *text, *bytes;  // the first seven bytes of the output buffer afterwards
   } cases[] = {
       {16, "abcde", "abcde\0#"},  {6, "abcde", "abcde\0#"}, {5, "abcde", "abcde##"},
       {4, "abcdefgh", "abcd###"}, {0, "abc", "#######"},
   };
   for (auto& c : cases) {
      char out[32];
      memset(out, '#', sizeof(out));
      EXPECT_EQ(String::my_snprintf(out, c.room, "%s", c.text), static_cast<int>(strlen(c.text)));
      EXPECT_EQ(std::string(out, 7), std::string(c.bytes, 7)) << c.room << " " << c.text;
   }
   // The scratch file keeps older, longer text behind the new one.
   char out[32];
   EXPECT_EQ(String::my_snprintf(out, 32, "%d-%s", 12, "0123456789abcdef"), 19);
   EXPECT_EQ(String::my_snprintf(out, 32, "%s", "xy"), 2);
   EXPECT_STREQ(out, "xy");
}

TEST(StringBuffer, UnlockBufferFindsTheNewLength) {
   String s, w("abc");
   char* p = s.LockBuffer(40);
   EXPECT_GT(s.Capacity(), 40);
   memcpy(p, "abc", 4);
   s.UnlockBuffer();
   EXPECT_EQ(s.Length(), 3);
   memset(p, 'x', s.Capacity() - 1);  // the last byte is the one NUL
   p[s.Capacity() - 1] = 0;
   s.UnlockBuffer();
   EXPECT_EQ(s.Length(), s.Capacity() - 1);
   EXPECT_EQ(w.WriteLine(nullptr), 0);
   EXPECT_FATAL(
       {
          char* q = w.LockBuffer(10);
          memset(q, 'x', w.Capacity());
          w.UnlockBuffer();
       },
       "\nFATAL ERROR - \nBasicString - direct access overflowed buffer\n\n");
}

// ---------------------------------------------------------------- stdio readers

// Items joined by '|': "a|" stands for the items "a" and "".
Lines Split(const std::string& joined) {
   Lines items(1);
   for (char c : joined) {
      if (c == '|')
         items.emplace_back();
      else
         items.back() += c;
   }
   return items;
}

TEST(StringReadStdio, LinesEndAtEitherLineEndAndEndOfFileFollowsTheLastLine) {
   std::vector<std::pair<std::string, std::string>> cases = {
       {"\n\n", "|"},   {"\r\n\r\n", "||"}, {"x\n", "x"}, {"x\r", "x"},
       {"x\r\n", "x|"}, {"x\n\r", "x|"},    {"", ""},     {"a\r\nb\n\rc\rd", "a|b|c|d"},
   };
   // Lines at and around the reader's chunk boundaries.
   for (int n : {127, 128, 129, 383, 384, 385, 896, 897, 100000}) {
      std::string text(n, 'k');
      cases.push_back({text + "\n" + text + "\r\nz", text + "|" + text + "|z"});
   }
   testsupport::TempDir dir;
   for (const auto& [bytes, joined] : cases) {
      FILE* f = fopen(dir.Write("in.txt", bytes).c_str(), "rb");
      String line("stale");
      Lines lines = Split(joined);
      for (size_t i = 0; i < lines.size(); i++) {
         EXPECT_EQ(std::string(line.ReadLine(f)), lines[i]) << i << " in [" << bytes << "]";
         EXPECT_EQ(feof(f) != 0, i + 1 == lines.size()) << i << " in [" << bytes << "]";
      }
      fclose(f);
   }
   String line("stale");
   EXPECT_STREQ(line.ReadLine(static_cast<FILE*>(nullptr)), "");

   const std::string w200(200, 'w'), w128(128, 'v');
   FILE* f = fopen(
       dir.Write("words.txt", "  foo\tbar\nbaz\rqux\fquux  " + w200 + "\n" + w128 + " " + w128)
           .c_str(),
       "rb");
   String word;
   for (const std::string& expected :
        Split("foo|bar|baz|qux|quux|" + w200 + "|" + w128 + "|" + w128 + "|"))
      EXPECT_EQ(std::string(word.Read(f)), expected);
   EXPECT_TRUE(feof(f));
   fclose(f);
   EXPECT_STREQ(word.Read(static_cast<FILE*>(nullptr)), "");
}

// ---------------------------------------------------------------- input-file readers

enum class Source { kPlain, kGzip, kStdio };

IFILE OpenAs(const testsupport::TempDir& dir, const std::string& bytes, Source source) {
   loci_internal::IfileLineEnd() = 0;
   if (source == Source::kPlain) return ifopen(dir.Write("plain.txt", bytes).c_str(), "rb");
   if (source == Source::kGzip) return ifopen(dir.WriteGzip("packed.gz", bytes).c_str(), "rb");
   IFILE f;
   f.handle = fopen(dir.Write("stdio.txt", bytes).c_str(), "rb");
   return f;
}

// Lines and words as the usual `while (!ifeof(f))` loop collects them, bounded
// so a reader that never ends fails instead of hanging. Plain files report
// their end only on the read after the last byte; gzip input may report it
// sooner, dropping the final empty item.
TEST(StringReadIfile, LinesAndWordsFromEverySource) {
   std::vector<std::pair<std::string, std::string>> lines = {
       {"a\r\nb\n\rc\rd", "a|b|c|d"}, {"\n\n", "||"},       {"a\n", "a|"},     {"", ""},
       {"a\n\r\n\rb", "a||b"},        {"a\r\r\nb", "a||b"}, {"a\n\nb", "a||b"}};
   std::vector<std::pair<std::string, std::string>> words = {{"  foo\tbar", "foo|bar"},
                                                             {"ab\0cd"s, "ab|cd"},
                                                             {"\f\r\n\t x \n", "x|"},
                                                             {"a b\tc\nd\re\ff", "a|b|c|d|e|f"}};
   const std::string x300(300, 'x');  // past every buffer's first size
   lines.push_back({x300 + "\r\ntail", x300 + "|tail"});
   lines.push_back({x300 + "\r", x300 + "|"});
   words.push_back({x300 + "\nnext", x300 + "|next"});
   testsupport::TempDir dir;
   for (Source source : {Source::kPlain, Source::kGzip, Source::kStdio}) {
      for (bool byWord : {false, true}) {
         for (const auto& [bytes, joined] : byWord ? words : lines) {
            IFILE f = OpenAs(dir, bytes, source);
            Lines got, want = Split(joined);
            String text;
            for (int guard = 0; guard < 1000 && !ifeof(f); guard++)
               got.push_back(std::string(byWord ? text.Read(f) : text.ReadLine(f)));
            if (source == Source::kGzip && got.size() + 1 == want.size() && want.back().empty())
               want.pop_back();
            EXPECT_EQ(got, want) << "source " << static_cast<int>(source) << " [" << bytes << "]";
            EXPECT_EQ(iferror(f), 0);
            ifclose(f);
         }
      }
   }
   IFILE missing = ifopen(dir.File("missing.txt").c_str(), "rb");
   String word("stale"), line("stale");
   EXPECT_TRUE(word.Read(missing).IsEmpty() && line.ReadLine(missing).IsEmpty());
}

TEST(StringReadIfile, LineEndMemorySpansFiles) {
   // first file, second file, first line of the second file
   const char* cases[][3] = {
       {"a\r", "\nb", "b"},  // CR here and LF there are one line end
       {"a\n", "\rb", "b"}, {"a\r", "\rb", ""}, {"a\n", "\nb", ""}, {"a", "\nb", ""},
   };
   testsupport::TempDir dir;
   for (Source source : {Source::kPlain, Source::kGzip, Source::kStdio}) {
      for (auto& c : cases) {
         IFILE first = OpenAs(dir, c[0], source);
         String line;
         while (!ifeof(first)) line.ReadLine(first);
         ifclose(first);
         IFILE second = ifopen(dir.Write("second.txt", c[1]).c_str(), "rb");
         EXPECT_STREQ(line.ReadLine(second), c[2]) << c[0] << " then " << c[1];
         ifclose(second);
      }
   }
}

// Regression: a name read with a NUL byte where the other name ends (an info
// file line "rs1\0..." against the SNP name "rs1") carried the comparison past
// the end of the other name's buffer.
TEST(StringCompareRegression, NulReadFromAFileDoesNotEndEitherName) {
   testsupport::TempDir dir;
   // 0xbe is what AddressSanitizer fills fresh buffers with: the bytes after
   // the shorter name's terminator match until its buffer ends.
   IFILE f = OpenAs(dir, "rs1\0\xbe\xbe\xbe\xbeXYZW\nrs1\0\n"s, Source::kPlain);
   String longer, nulEnded, name("rs1");
   longer.ReadLine(f);
   nulEnded.ReadLine(f);
   ifclose(f);
   ASSERT_TRUE(longer.Length() == 12 && nulEnded.Length() == 4);
   for (bool exact : {true, false}) {
      String::caseSensitive = exact;
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
   String::caseSensitive = true;
}

// ---------------------------------------------------------------- length limit

// The limit lowered to 300 characters stands for the 2^31 - 2 of a real run:
// a line of exactly the limit is read whole, one character more stops the run
// naming the file (never a line split in two), and every other way of
// growing a string or a list stops at the limit instead of wrapping around.
class StringLimit : public ::testing::Test {
protected:
   void SetUp() override {
      saved = loci_internal::MaxStringLength();
      loci_internal::MaxStringLength() = 300;
   }
   void TearDown() override { loci_internal::MaxStringLength() = saved; }

   static std::string TooLong(const std::string& name) {
      return "\nFATAL ERROR - \nInput file [" + name +
             "] has a line longer than 300 characters, more than a string can hold\n\n\n";
   }

   int saved = 0;
};

TEST_F(StringLimit, LineReadersTakeALineOfTheLimitAndStopPastIt) {
   testsupport::TempDir dir;
   const std::string full(300, 'f');
   for (const std::string& end : {"\n"s, "\r\n"s, "\r"s, ""s}) {
      const std::string bytes = full + end + (end.empty() ? "" : "next\n");
      FILE* f = fopen(dir.Write("fits.txt", bytes).c_str(), "rb");
      IFILE packed = ifopen(dir.WriteGzip("fits.gz", bytes).c_str(), "rb");
      String line;
      for (IFILE* source : {static_cast<IFILE*>(nullptr), &packed}) {
         EXPECT_EQ(std::string(source ? line.ReadLine(*source) : line.ReadLine(f)), full);
         EXPECT_EQ(std::string(source ? line.ReadLine(*source) : line.ReadLine(f)),
                   end.empty() ? "" : "next");
      }
      fclose(f);
      ifclose(packed);
   }

   std::string plain = dir.Write("long.txt", full + "g\nnext\n");
   std::string packed = dir.WriteGzip("long.gz", full + "g\nnext\n");
   auto readStdio = [&](bool named) {
      FILE* f = fopen(plain.c_str(), "rb");
      loci_internal::NamedStream name(named ? f : nullptr, plain.c_str());
      String().ReadLine(f);
   };
   EXPECT_FATAL(readStdio(true), TooLong(plain));
   EXPECT_FATAL(readStdio(false), TooLong("(open stream)"));
   // Opened in the dying process and kept reachable, so that the leak
   // checker has nothing to say about a file left open by the fatal exit.
   static IFILE open;
   auto read = [&](const std::string& path, bool byWord) {
      open = ifopen(path.c_str(), "rb");
      String text;
      byWord ? text.Read(open) : text.ReadLine(open);
   };
   EXPECT_FATAL(read(plain, false), TooLong(plain));
   EXPECT_FATAL(read(packed, false), TooLong(packed));
   EXPECT_FATAL(read(plain, true), TooLong(plain));
}

TEST_F(StringLimit, SkippingALineHoldsNoneOfIt) {
   testsupport::TempDir dir;
   for (const std::string& end : {"\n"s, "\r\n"s, "\n\r"s, "\r"s}) {
      IFILE f =
          ifopen(dir.WriteGzip("skip.gz", std::string(5000, 'h') + end + "next\n").c_str(), "rb");
      loci_internal::IfileLineEnd() = 0;
      loci_internal::SkipLine(f);
      String line;
      EXPECT_EQ(std::string(line.ReadLine(f)), "next") << "line end " << end.size();
      ifclose(f);
   }
}

TEST_F(StringLimit, GrowingPastTheLimitIsFatal) {
   const std::string message =
       "\nFATAL ERROR - \nA string of 301 characters is longer than the 300 a string can "
       "hold\n\n\n";
   String half(std::string(150, 'a').c_str());
   String full(std::string(300, 'b').c_str());
   const std::string fullText(300, 'b');
   EXPECT_EQ((half + half).Length(), 300);
   EXPECT_FATAL(String(full) += 'c', message);
   EXPECT_FATAL(String(half) += String((fullText.substr(0, 151)).c_str()), message);
   EXPECT_FATAL(String(half) += (fullText.substr(0, 151)).c_str(), message);
   EXPECT_FATAL(String(half).catprintf("%s", fullText.substr(0, 151).c_str()), message);
   EXPECT_FATAL(String(half).SetLength(301), message);
   EXPECT_FATAL(String((fullText + "c").c_str()), message);
   String repeated("abc");
   EXPECT_FATAL(repeated *= 101u,
                "\nFATAL ERROR - \nA string of 303 characters is longer than "
                "the 300 a string can hold\n\n\n");

   StringArray list;
   for (int i = 0; i < 300; i++) list.Add("x");
   EXPECT_FATAL(list.Add("y"),
                "\nFATAL ERROR - \nA list of 301 strings is longer than the "
                "300 a list can hold\n\n\n");
}

}  // namespace
