#include "base/MemoryInfo.h"

#include <utility>

#include "tests/support/TestSupport.h"

namespace {

TEST(MemoryInfo, UnitsAndRounding) {
   // kb and mb round up by one unit less a byte; gb and tb do not.
   const std::pair<double, const char*> cases[] = {
       {1023, "<1.0 kb"},        {1024, "2.0 kb"},
       {1536, "2.5 kb"},         {1048575, "1025.0 kb"},
       {1048576, "2.0 mb"},      {1073741823, "1025.0 mb"},
       {1073741824, "1.0 gb"},   {1099511627775, "1024.0 gb"},
       {1099511627776, "1.0 tb"}};
   for (auto [bytes, text] : cases) EXPECT_STREQ(MemoryInfo(bytes), text) << bytes;
   // One shared text, rewritten by each call.
   String& first = MemoryInfo(0);
   MemoryInfo(1536);
   EXPECT_STREQ(first, "2.5 kb");
}

}  // namespace
