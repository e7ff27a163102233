#include "base/Hash.h"

#include <string>

#include "tests/support/TestSupport.h"

namespace {

unsigned int Hash(const std::string& s, unsigned int initval = 0, bool noCase = false) {
   auto bytes = reinterpret_cast<const unsigned char*>(s.data());
   return noCase ? hash_no_case(bytes, s.size(), initval) : hash(bytes, s.size(), initval);
}

// Reference values from an independent Python rendering of Bob Jenkins'
// published lookup2 (three little-endian words per 12-byte block, the length
// added to c before the tail, the tail's bytes 8..10 shifted up one byte in c),
// written without the C++ code. The keys cover every tail length, a key of
// exactly one block, two blocks plus a tail, and bytes above 0x7f.
TEST(Lookup2, MatchesIndependentReference) {
   struct Case {
      std::string key;
      unsigned int initval, expected;
   } cases[] = {
       {"", 0, 0xbd49d10du},
       {"", 0xdeadbeef, 0x1153f4beu},
       {"a", 0, 0x29eec818u},
       {"abc", 0, 0x251e4793u},
       {"ABC", 0, 0x3e36495du},
       {"abcdefghijk", 0, 0xe52b8e4cu},
       {"abcdefghijkl", 0, 0x0b1b3ea5u},
       {"Four score and seven years ago", 0, 0x50f2424bu},
       {"Four score and seven years ago", 1, 0x89deae7eu},
       {std::string("\x80\xff\0\x7f\xc3\xa9", 6), 0, 0x77e25793u},
   };
   for (const Case& c : cases) EXPECT_EQ(Hash(c.key, c.initval), c.expected) << c.key;

   // The case-blind form hashes the upper-cased key; other bytes pass unchanged.
   EXPECT_EQ(Hash("abc", 0, true), 0x3e36495du);
   EXPECT_EQ(Hash("RS123_x-9 longer than twelve", 5, true),
             Hash("RS123_X-9 LONGER THAN TWELVE", 5));
}

}  // namespace
