#include "base/Hash.h"

#include <cstring>

#include "tests/support/TestSupport.h"

namespace {

unsigned int Hash(const char* s, unsigned int initval = 0) {
   return hash(reinterpret_cast<const unsigned char*>(s), strlen(s), initval);
}

unsigned int HashNoCase(const char* s, unsigned int initval = 0) {
   return hash_no_case(reinterpret_cast<const unsigned char*>(s), strlen(s), initval);
}

// Expected values come from tests/base/lookup2_reference.py, an independent
// Python rendering of Bob Jenkins' published lookup2; its output is pasted
// here. The keys cover every tail length and a key of exactly one block.
TEST(Lookup2, MatchesIndependentReference) {
   struct Case {
      const char* key;
      unsigned int initval;
      unsigned int expected;
   } cases[] = {
       {"", 0x00000000, 0xbd49d10du},
       {"", 0xdeadbeef, 0x1153f4beu},
       {"a", 0x00000000, 0x29eec818u},
       {"abc", 0x00000000, 0x251e4793u},
       {"ABC", 0x00000000, 0x3e36495du},
       {"abcdefghijk", 0x00000000, 0xe52b8e4cu},
       {"abcdefghijkl", 0x00000000, 0x0b1b3ea5u},
       {"Four score and seven years ago", 0x00000000, 0x50f2424bu},
       {"Four score and seven years ago", 0x00000001, 0x89deae7eu},
   };
   for (const Case& c : cases) EXPECT_EQ(Hash(c.key, c.initval), c.expected) << c.key;

   // Bytes above 0x7f are taken as unsigned.
   const unsigned char high[] = {0x80, 0xff, 0x00, 0x7f, 0xc3, 0xa9};
   EXPECT_EQ(hash(high, sizeof(high), 0), 0x77e25793u);
}

TEST(Lookup2, NoCaseFoldsLettersOnly) {
   EXPECT_EQ(HashNoCase("abc"), Hash("ABC"));
   EXPECT_EQ(HashNoCase("aBc"), HashNoCase("AbC"));
   EXPECT_NE(Hash("abc"), Hash("ABC"));
   EXPECT_EQ(HashNoCase("RS123_X-9 longer than twelve"), Hash("RS123_X-9 LONGER THAN TWELVE"));
   EXPECT_EQ(HashNoCase("", 7), Hash("", 7));
}

}  // namespace
