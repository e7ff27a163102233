// Random dosage files for the randomized tests of the tool: blank lines, lines
// of the wrong length, mixed line ends, odd separators, and fields in every
// notation atof accepts or half accepts (NUL bytes inside included).
#ifndef LOCI_TESTS_TOOL_RANDOMDOSAGES_H
#define LOCI_TESTS_TOOL_RANDOMDOSAGES_H

#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/Support.h"

namespace randomdosages {

// Fields where a number reader is easily wrong.
inline std::vector<std::string> Specials() {
   std::istringstream all(
       "nan NaN -nan inf -Infinity +1.5 0x1p-2 0X1A 1e400 -1e400 1e-400 4.9e-324 - . abc 1.5x "
       "\v1.25 \f2 1e 1e+ 5. .5 -.5e1 00001.000 1234567890123456789012 0.30000000000000004441 "
       "9007199254740993 1.7976931348623157e308 2.2250738585072011e-308 1.0e22 1e23 -0 -0.000 "
       "1,5 1.5e-0400");
   std::vector<std::string> specials;
   for (std::string s; std::getline(all, s, ' ');) specials.push_back(s);
   return specials;
}

inline std::string Pick(std::mt19937& rng, const std::vector<std::string>& choices) {
   return choices[rng() % choices.size()];
}

inline std::string Separators(std::mt19937& rng) {
   return Pick(rng, {" ", "\t", "  ", " \t ", "\t\t", "    "});
}

inline std::string LineEnd(std::mt19937& rng) {
   return Pick(rng, {"\n", "\r", "\r\n", "\n\r"});
}

inline std::string Field(std::mt19937& rng) {
   static const std::vector<std::string> specials = Specials();
   char text[32];
   int t = static_cast<int>(rng() % 2001);
   switch (rng() % 10) {
      case 0:
         return Pick(rng, specials);
      case 1: {
         std::string s = std::to_string(t);
         s.insert(s.begin() + static_cast<long>(rng() % s.size()), '\0');
         return s;
      }
      case 2:
         return std::to_string(t % 3) + "e" + std::to_string(-3 + int(rng() % 7));
      default:
         snprintf(text, sizeof text, "%d.%03d", t / 1000, t % 1000);
         return text;
   }
}

// `lines` lines for `markers` markers after two leading fields; the first byte
// may be a line end that pairs with the end of the file read before.
inline std::string RandomDosages(std::mt19937& rng, int markers, int lines, bool longLines) {
   std::string text = rng() % 4 ? "" : LineEnd(rng);
   for (int l = 0; l < lines; l++) {
      int kind = static_cast<int>(rng() % 12);
      if (kind == 0) {
         text += (rng() % 2 ? "" : " \t ") + LineEnd(rng);
         continue;
      }
      int fields = markers + 2;
      if (kind == 1) fields += rng() % 2 ? 1 : -1;
      if (kind == 2) fields = static_cast<int>(rng() % 4);
      if (rng() % 3 == 0) text += Separators(rng);
      for (int f = 0; f < fields; f++) {
         if (f > 0) text += Separators(rng);
         text += f < 2 ? "id" + std::to_string(l) : Field(rng);
         if (longLines && f == 2) text += std::string(20000 + rng() % 5000, '7');
      }
      if (rng() % 4 == 0) text += Separators(rng);
      if (l + 1 < lines || rng() % 2) text += LineEnd(rng);
   }
   return text;
}

// Gzip in one to three members, now and then followed by bytes that are no
// gzip member (ignored, as zlib does).
inline std::string GzipMembers(std::mt19937& rng, const std::string& text) {
   std::string out;
   size_t members = 1 + rng() % 3, start = 0;
   for (size_t m = 0; m < members; m++) {
      size_t end = m + 1 == members ? text.size() : start + rng() % (text.size() - start + 1);
      out += testsupport::Gzip(text.substr(start, end - start), 1 + static_cast<int>(rng() % 9));
      start = end;
   }
   return rng() % 5 ? out : out + std::string("garbage\0\1", 9);
}

}  // namespace randomdosages

#endif
