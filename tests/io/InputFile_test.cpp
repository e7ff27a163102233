#include "io/InputFile.h"

#include <cstring>
#include <string>
#include <tuple>

#include "base/StringBasics.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::TempDir;

IFILE OpenStdio(const std::string& path, const char* mode) {
   IFILE f;
   f.handle = fopen(path.c_str(), mode);
   return f;
}

std::string FirstLine(IFILE& f) {
   String line;
   return std::string(line.ReadLine(f));
}

TEST(InputFile, OpeningChoosesZlibOrStdioByNameAndContent) {
   TempDir dir;
   dir.Write("plain.gz", "hello\nworld\n");
   dir.Write("plain.txt", "hello\nworld\n");
   dir.WriteGzip("packed.txt", "hello\nworld\n");
   // {name, mode, first line (null: opening fails), gzip mode}. zlib refuses "r+"
   // where stdio accepts it, and a .gz name gets no second try. Short names stay
   // relative: only they reach the length check.
   const std::tuple<const char*, const char*, const char*, bool> cases[] = {
       {"plain.gz", "rb", "hello", true},    {"packed.txt", "rt", "hello", true},
       {"plain.gz", "r+", nullptr, true},    {"plain.txt", "r+", "hello", false},
       {"missing.gz", "rb", nullptr, true},  {"missing.txt", "rb", nullptr, false},
       {"missing.GZ", "rb", nullptr, false}, {"zq", "rb", nullptr, false},
       {".gz", "rb", nullptr, true},         {"", "rb", nullptr, false}};
   for (const auto& [shortName, mode, firstLine, gzMode] : cases) {
      std::string name = strlen(shortName) > 3 ? dir.File(shortName) : shortName;
      IFILE f = ifopen(name.c_str(), mode);
      EXPECT_EQ(f.gzMode, gzMode) << name;
      int other = 0;
      EXPECT_FALSE(f == &other) << name;  // only null against a null handle is equal
      EXPECT_EQ(f == nullptr, firstLine == nullptr) << name;
      if (f == nullptr) continue;
      EXPECT_FALSE(f == f.handle);
      EXPECT_EQ(FirstLine(f), firstLine) << name;
      EXPECT_EQ(ifclose(f), 0);
      EXPECT_EQ(f.handle, nullptr);
   }
}

TEST(InputFile, IfprintfWritesInBothModes) {
   TempDir dir;
   const std::string big(5000, 'b');
   IFILE packed = ifopen(dir.File("out.gz").c_str(), "wb");
   EXPECT_EQ(ifprintf(packed, "%s|%d\n", big.c_str(), 42), 5004);
   EXPECT_EQ(ifprintf(packed, "%s", "tail"), 4);
   EXPECT_EQ(ifclose(packed), 0);
   EXPECT_EQ(testsupport::ReadFile(dir.File("out.gz")).substr(0, 2), "\x1f\x8b");
   IFILE back = ifopen(dir.File("out.gz").c_str(), "rb");
   EXPECT_EQ(FirstLine(back), big + "|42");
   EXPECT_EQ(FirstLine(back), "tail");
   ifclose(back);
   IFILE plain = OpenStdio(dir.File("out.txt"), "w");
   EXPECT_EQ(ifprintf(plain, "%s-%d\n", "ab", 7), 5);
   EXPECT_EQ(ifclose(plain), 0);
   EXPECT_EQ(testsupport::ReadFile(dir.File("out.txt")), "ab-7\n");
}

// Regression: a read error inside compressed data made ifgetchar return -1
// while ifeof stayed false, so `while (!ifeof(f))` readers never ended.
TEST(InputFile, ReadErrorsEndTheInputAndAreReportedRestartRereads) {
   TempDir dir;
   String text;
   // Compresses to a few kilobytes, so a cut or a flipped byte lands in the deflate data.
   for (int i = 0; i < 3000; i++)
      text.catprintf("rs%d\t%d\t%.4f\n", i, (i * 7919) % 10007, i / 7.0);
   const std::string packed = testsupport::Gzip(std::string(text));
   std::string corrupt = packed;
   for (size_t i = corrupt.size() / 2; i < corrupt.size() / 2 + 16; i++) corrupt[i] ^= 0x55;

   // {what, bytes (empty: the directory itself), opened by stdio, ends in an error}
   // clang-format off
   const std::tuple<const char*, std::string, bool, bool> cases[] = {
       {"good gzip", packed, false, false}, {"good plain", std::string(text), false, false},
       {"good stdio", std::string(text), true, false},
       {"cut after header", packed.substr(0, 12), false, true},
       {"cut in half", packed.substr(0, packed.size() / 2), false, true},
       {"cut in trailer", packed.substr(0, packed.size() - 1), false, true},
       {"corrupt", corrupt, false, true}, {"directory", "", false, true},
       {"directory via stdio", "", true, true}};
   // clang-format on
   for (const auto& [what, bytes, stdio, failed] : cases) {
      std::string path = bytes.empty() ? dir.Path() : dir.Write("input", bytes);
      IFILE f = stdio ? OpenStdio(path, "rb") : ifopen(path.c_str(), "rb");
      ASSERT_FALSE(f == nullptr) << what;
      // Both readers must end; a reader that never ends stops at 100000 reads.
      String line;
      auto readAll = [&](auto read) {
         int reads = 0;
         while (!ifeof(f) && reads < 100000) read(), reads++;
         return reads;
      };
      int lines = readAll([&] { line.ReadLine(f); });
      EXPECT_EQ(iferror(f) != 0, failed) << what;
      EXPECT_TRUE(failed ? lines < 100000 : lines == 3001) << what << ": " << lines;
      ifrestart(f);
      EXPECT_TRUE(failed || FirstLine(f) == "rs0\t0\t0.0000") << what;
      EXPECT_LT(readAll([&] { line.Read(f); }), 100000) << what;
      ifclose(f);
   }
}

}  // namespace
