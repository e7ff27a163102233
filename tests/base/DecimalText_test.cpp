#include "base/DecimalText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

// Texts whose conversion goes wrong easily: strtod's own forms, the edges of
// the fast path (19 digits, 2^53, powers of ten up to 22) and what lies past.
const char* const kHardForms[] = {"nan",
                                  "NaN",
                                  "-nan",
                                  "inf",
                                  "-Infinity",
                                  "+1.5",
                                  "0x1p-2",
                                  "0X1A",
                                  "1e400",
                                  "-1e400",
                                  "1e-400",
                                  "4.9e-324",
                                  "5.",
                                  ".5",
                                  "-.5e1",
                                  "00001.000",
                                  "1234567890123456789012",
                                  "0.30000000000000004441",
                                  "9007199254740992",
                                  "9007199254740993",
                                  "1.7976931348623157e308",
                                  "2.2250738585072011e-308",
                                  "1.0e22",
                                  "1e23",
                                  "-0",
                                  "-0.000",
                                  "1.5e-0400",
                                  "123456789.0123456789",
                                  "0.000000000000000000000001",
                                  "99999999999999999999",
                                  "1e-22",
                                  "1e-23",
                                  "0.1e9999"};

void ExpectStrtod(const std::string& text) {
   DecimalText number;
   char* stop = nullptr;
   double expected = strtod(text.c_str(), &stop);
   bool whole = !text.empty() && *stop == 0;
   ASSERT_EQ(ReadDecimal(text.data(), text.data() + text.size(), number), whole) << text;
   if (whole) {
      ASSERT_EQ(std::memcmp(&expected, &number.value, sizeof(double)), 0) << text;
   }
}

TEST(DecimalText, AgreesWithStrtodToTheLastBit) {
   for (const char* text : kHardForms) ExpectStrtod(text);
   for (const char* text : {"", "-", ".", "1.5x", "1,5", "1e", "1e+", " 1"}) ExpectStrtod(text);
   std::mt19937 rng(5);
   for (int i = 0; i < 200000; i++) {
      char text[64];
      switch (i % 4) {
         case 0:
            snprintf(text, sizeof text, "%.*f", static_cast<int>(rng() % 10),
                     (rng() % 2000001) / 1e6);
            break;
         case 1:
            snprintf(text, sizeof text, "%.17g",
                     std::ldexp(static_cast<double>(rng()), -int(rng() % 80)));
            break;
         case 2:
            snprintf(text, sizeof text, "%ue%d", static_cast<unsigned>(rng()),
                     -30 + int(rng() % 60));
            break;
         default:
            snprintf(text, sizeof text, "-%u.%u", static_cast<unsigned>(rng() % 100),
                     static_cast<unsigned>(rng()));
            break;
      }
      ExpectStrtod(text);
   }
}

// Whole billionths up to 1,000 carry their count; nothing else does.
TEST(DecimalText, ExactWhereAWholeNumberOfBillionths) {
   struct Case {
      const char* text;
      bool exact;
      int64_t nanos;
   } cases[] = {{"0.123", true, 123000000},
                {"-0.5", true, -500000000},
                {"5e-1", true, 500000000},
                {"1e2", true, 100000000000},
                {"1000", true, 1000000000000},
                {"1000.000000001", false, 0},
                {"0.000000001", true, 1},
                {"0.0000000001", false, 0},
                {"0.1230000000", false, 0},
                {"2.000000000", true, 2000000000},
                {"-0", true, 0},
                {"1e4", false, 0},
                {"nan", false, 0},
                {"0x1p-2", false, 0}};
   for (const Case& c : cases) {
      DecimalText number;
      ASSERT_TRUE(ReadDecimal(c.text, c.text + strlen(c.text), number)) << c.text;
      EXPECT_EQ(number.exact, c.exact) << c.text;
      if (c.exact) {
         EXPECT_EQ(number.nanos, c.nanos) << c.text;
      }
   }
}

}  // namespace

// The fixed-point text must be printf's to the last character, ties and
// signs included: reports are compared byte for byte.
TEST(AppendFixedDecimal, MatchesPrintfOnHardAndRandomValues) {
   auto printfText = [](double value, int places) {
      char text[400];
      snprintf(text, sizeof text, "%.*f", places, value);
      return std::string(text);
   };
   auto check = [&](double value, int places) {
      std::string out = "x";
      AppendFixedDecimal(out, value, places);
      ASSERT_EQ(out, "x" + printfText(value, places)) << value << " to " << places << " places";
   };
   // Exact ties of three places (k/16 with 125 | k), their neighbours, signs,
   // the smallest and the largest values, what printf alone handles.
   const double hard[] = {0.0625,  0.1875, 0.3125,  0.5625,     0.9375,      2.5,
                          0.5,     1.5,    -0.0625, -0.0,       0.0,         -0.0001,
                          1e-300,  5e-324, 999.9995, 1e9 - 0.5, 999999999.99, 1e9,
                          1e15,    1e300,  NAN,     -INFINITY,  INFINITY};
   for (double value : hard)
      for (int places = 0; places <= 9; places++) {
         check(value, places);
         check(std::nextafter(value, 0.0), places);
         check(std::nextafter(value, 2e9), places);
      }
   std::mt19937_64 random(7);
   std::uniform_real_distribution<double> unit(-1.0, 1.0);
   for (int i = 0; i < 200000; i++) {
      double value = unit(random) * std::pow(10.0, static_cast<int>(random() % 14) - 4);
      check(value, static_cast<int>(random() % 10));
      // Decimals of a few places land on ties once in a while.
      check(static_cast<double>(static_cast<int64_t>(random() % 2000001) - 1000000) / 2000.0, 3);
   }
}

TEST(AppendInteger, WritesEveryWidthAndTheExtremes) {
   for (int64_t value : {int64_t{0}, int64_t{-7}, int64_t{1234567890123}, INT64_MIN, INT64_MAX}) {
      std::string out;
      AppendInteger(out, value);
      EXPECT_EQ(out, std::to_string(value));
   }
}
