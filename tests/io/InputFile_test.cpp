#include "io/InputFile.h"

#include <unistd.h>

#include <string>

#include "base/StringBasics.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::TempDir;

IFILE OpenStdio(const std::string& path, const char* mode) {
   IFILE f;
   f.gzMode = false;
   f.handle = fopen(path.c_str(), mode);
   return f;
}

std::string FirstLine(IFILE& f) {
   String line;
   return std::string(line.ReadLine(f));
}

// Text that compresses to a few kilobytes, so a cut or a flipped byte lands
// inside the deflate data.
std::string ManyLines() {
   String text;
   for (int i = 0; i < 3000; i++)
      text.catprintf("rs%d\t%d\t%.4f\n", i, (i * 7919) % 10007, i / 7.0);
   return std::string(text);
}

TEST(InputFile, OpeningChoosesZlibOrStdioByNameAndContent) {
   TempDir dir;
   IFILE plain = ifopen(dir.Write("plain.gz", "hello\nworld\n").c_str(), "rb");
   EXPECT_TRUE(plain.gzMode);
   ASSERT_FALSE(plain == nullptr);
   EXPECT_EQ(FirstLine(plain), "hello");
   EXPECT_EQ(FirstLine(plain), "world");
   EXPECT_EQ(ifclose(plain), 0);
   EXPECT_EQ(plain.handle, nullptr);

   IFILE packed = ifopen(dir.WriteGzip("packed.txt", "hello\nworld\n").c_str(), "rt");
   ASSERT_FALSE(packed == nullptr);
   EXPECT_EQ(FirstLine(packed), "hello");
   EXPECT_EQ(FirstLine(packed), "world");
   ifclose(packed);

   const std::pair<std::string, bool> missing[] = {
       {dir.File("missing.gz"), true},
       {dir.File("missing.txt"), false},
       {dir.File("missing.GZ"), false},
       {"zq", false},
       {".gz", true},
       {"", false},
   };
   for (const auto& [name, gzMode] : missing) {
      ASSERT_NE(access(name.c_str(), F_OK), 0) << name;
      IFILE f = ifopen(name.c_str(), "rb");
      EXPECT_EQ(f.handle, nullptr) << name;
      EXPECT_TRUE(f == nullptr) << name;
      EXPECT_EQ(f.gzMode, gzMode) << name;
      int other = 0;
      EXPECT_FALSE(f == &other) << name;  // any non-null pointer compares unequal
   }
   // zlib refuses "r+" where stdio accepts it: a .gz name gets no second try.
   IFILE refused = ifopen(dir.Write("b.gz", "b").c_str(), "r+");
   EXPECT_TRUE(refused == nullptr);
   EXPECT_TRUE(refused.gzMode);
   IFILE fallback = ifopen(dir.Write("b.txt", "b").c_str(), "r+");
   ASSERT_FALSE(fallback == nullptr);
   EXPECT_FALSE(fallback.gzMode);
   EXPECT_EQ(FirstLine(fallback), "b");
   ifclose(fallback);

   IFILE open = ifopen(dir.Write("a.txt", "a").c_str(), "rb");
   EXPECT_FALSE(open == nullptr);
   EXPECT_FALSE(open == open.handle);
   ifclose(open);
}

TEST(InputFile, IfprintfWritesInBothModes) {
   TempDir dir;
   const std::string big(5000, 'b');
   IFILE packed = ifopen(dir.File("out.gz").c_str(), "wb");
   ASSERT_FALSE(packed == nullptr);
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

TEST(InputFile, IfrestartReadsFromTheStartAgain) {
   TempDir dir;
   IFILE files[] = {
       ifopen(dir.Write("plain.txt", "first\nsecond\n").c_str(), "rb"),
       ifopen(dir.WriteGzip("packed.gz", "first\nsecond\n").c_str(), "rb"),
       OpenStdio(dir.Write("stdio.txt", "first\nsecond\n"), "rb"),
   };
   for (IFILE& f : files) {
      EXPECT_EQ(FirstLine(f), "first");
      EXPECT_EQ(FirstLine(f), "second");
      ifrestart(f);
      EXPECT_EQ(FirstLine(f), "first");
      ifclose(f);
   }
}

// Regression: a read error inside compressed data made ifgetchar return -1
// while ifeof stayed false, so `while (!ifeof(f))` readers never ended.
TEST(InputFile, ReadErrorsEndTheInputAndAreReported) {
   TempDir dir;
   const std::string text = ManyLines();
   const std::string packed = testsupport::Gzip(text);
   std::string corrupt = packed;
   for (size_t i = corrupt.size() / 2; i < corrupt.size() / 2 + 16; i++) corrupt[i] ^= 0x55;

   struct Case {
      std::string what;
      IFILE file;
      bool failed;
   } cases[] = {
       {"good gzip", ifopen(dir.Write("good.gz", packed).c_str(), "rb"), false},
       {"good plain", ifopen(dir.Write("good.txt", text).c_str(), "rb"), false},
       {"good stdio", OpenStdio(dir.Write("stdio.txt", text), "rb"), false},
       {"cut after header", ifopen(dir.Write("c1.gz", packed.substr(0, 12)).c_str(), "rb"), true},
       {"cut in half",
        ifopen(dir.Write("c2.gz", packed.substr(0, packed.size() / 2)).c_str(), "rb"), true},
       {"cut in trailer",
        ifopen(dir.Write("c3.gz", packed.substr(0, packed.size() - 1)).c_str(), "rb"), true},
       {"corrupt", ifopen(dir.Write("bad.gz", corrupt).c_str(), "rb"), true},
       {"directory", ifopen(dir.Path().c_str(), "rb"), true},
       {"directory via stdio", OpenStdio(dir.Path(), "rb"), true},
   };
   for (Case& c : cases) {
      ASSERT_FALSE(c.file == nullptr) << c.what;
      String line;
      int reads = 0;
      while (!ifeof(c.file) && reads < 100000) {
         line.ReadLine(c.file);
         reads++;
      }
      EXPECT_LT(reads, 100000) << c.what << ": the line loop did not end";
      EXPECT_EQ(iferror(c.file) != 0, c.failed) << c.what;
      if (!c.failed) {
         EXPECT_EQ(reads, 3001) << c.what;  // 3000 lines and the read at the end
      }

      ifrestart(c.file);
      int words = 0;
      while (!ifeof(c.file) && words < 100000) {
         line.Read(c.file);
         words++;
      }
      EXPECT_LT(words, 100000) << c.what << ": the word loop did not end";
      ifclose(c.file);
   }
}

}  // namespace
