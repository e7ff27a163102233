#include "base/MemoryInfo.h"

#include "tests/support/TestSupport.h"

namespace {

TEST(MemoryInfo, UnitsAndRounding) {
   struct Case {
      double bytes;
      const char* text;
   } cases[] = {
       {0, "<1.0 kb"},
       {1023, "<1.0 kb"},
       {1024, "2.0 kb"},  // kb and mb round up by one unit less a byte
       {1536, "2.5 kb"},
       {1048575, "1025.0 kb"},
       {1048576, "2.0 mb"},
       {1073741823, "1025.0 mb"},
       {1073741824, "1.0 gb"},  // gb and tb do not
       {1610612736, "1.5 gb"},
       {1099511627776.0, "1.0 tb"},
       {3298534883328.0, "3.0 tb"},
   };
   for (const Case& c : cases) EXPECT_STREQ(MemoryInfo(c.bytes), c.text) << c.bytes;

   // One shared text, rewritten by each call.
   String& first = MemoryInfo(0);
   MemoryInfo(1536);
   EXPECT_STREQ(first, "2.5 kb");
}

}  // namespace
