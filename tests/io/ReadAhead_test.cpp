#include "io/ReadAhead.h"

#include <memory>
#include <string>

#include "tests/support/TestSupport.h"

namespace {

// Everything the pipeline hands on, in order.
std::string ReadAll(BlockSource& source, size_t blockSize) {
   BlockPipeline pipeline(source, blockSize, 3);
   std::string text;
   const char* data;
   size_t size;
   while (pipeline.Next(data, size)) text.append(data, size);
   return text;
}

// Plain and gzip files (two members) come through whole and in order, in
// blocks smaller than a line; the size is known for a regular file only.
TEST(ReadAhead, DeliversTheBytesOfAnIfileInOrder) {
   testsupport::TempDir dir;
   std::string text;
   for (int i = 0; i < 2000; i++) text += "line " + std::to_string(i) + "\n";
   std::string plain = dir.Write("plain.txt", text);
   std::string packed =
       testsupport::Gzip(text.substr(0, 5000), 6) + testsupport::Gzip(text.substr(5000), 1);
   std::string gzip = dir.Write("text.gz", packed);
   for (const std::string& name : {plain, gzip}) {
      IFILE file = ifopen(name.c_str(), "rb");
      ASSERT_FALSE(file == nullptr);
      std::unique_ptr<BlockSource> source = OpenIfileSource(file, name.c_str());
      EXPECT_EQ(source->FileSize(), name == plain ? text.size() : packed.size());
      EXPECT_EQ(ReadAll(*source, 7), text) << name;
      EXPECT_FALSE(source->Failed());
      EXPECT_EQ(source->Consumed(), name == plain ? text.size() : packed.size());
      ifclose(file);
   }
   IFILE file = ifopen(plain.c_str(), "rb");
   EXPECT_EQ(OpenIfileSource(file, nullptr)->FileSize(), 0u);
   EXPECT_EQ(OpenIfileSource(file, dir.Path().c_str())->FileSize(), 0u);  // not a regular file
   ifclose(file);
}

}  // namespace
