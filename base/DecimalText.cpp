#include "base/DecimalText.h"

#include <cstdlib>
#include <string>

namespace decimal_text_internal {

const double kExactPowers[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                 1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

const int64_t kWholePowers[13] = {1,           10,           100,          1000,      10000,
                                  100000,      1000000,      10000000,     100000000, 1000000000,
                                  10000000000, 100000000000, 1000000000000};

}  // namespace decimal_text_internal

bool ReadDecimal(const char* begin, const char* end, DecimalText& number) {
   if (ReadPlainDecimal(begin, end, number) == end) return true;
   number.exact = false;
   std::string text(begin, end);
   char* stop = nullptr;
   number.value = strtod(text.c_str(), &stop);
   return !text.empty() && stop == text.c_str() + text.size();
}
