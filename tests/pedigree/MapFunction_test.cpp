#include "pedigree/MapFunction.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace {

using MapFunction = double (*)(double);
const MapFunction kFunctions[] = {DistanceToRecombination, RecombinationToDistance,
                                  KosambiDistanceToRecombination, RecombinationToKosambiDistance};

// Rounding of the formulas themselves: 1 - e^(-2d), e^(4d) - 1 and 1 - 2 theta
// cancel near 0 (half an ulp of 1 absolute), a few ulps of the result otherwise.
double Tolerance(double reference) {
   return 2.3e-16 + 4 * std::numeric_limits<double>::epsilon() * std::fabs(reference);
}

TEST(MapFunction, MatchesReferenceValues) {
   // mpmath 1.3 at mp.dps = 40, at the exact double arguments, rounded to double:
   //   Haldane  0.5 (1 - exp(-2d))          -0.5 log(max(1 - 2t, mpf(1e-7)))
   //   Kosambi  0.5 tanh(2d)                 0.25 log((1 + 2t) / max(1 - 2t, mpf(1e-7)))
   const struct {
      MapFunction function;
      double argument, reference;
   } cases[] = {{DistanceToRecombination, 1.0, 0.43233235838169365},
                {DistanceToRecombination, 3.0, 0.4987606239116668},
                {DistanceToRecombination, 1e-9, 9.999999990000001e-10},
                {RecombinationToDistance, 0.25, 0.34657359027997264},
                {RecombinationToDistance, 0.45, 1.151292546497023},
                {RecombinationToDistance, 0.5, 8.05904782547916},
                {RecombinationToDistance, 0.6, 8.05904782547916},
                {KosambiDistanceToRecombination, 1.0, 0.48201379003790845},
                {KosambiDistanceToRecombination, 3.0, 0.4999938558253978},
                {RecombinationToKosambiDistance, 0.25, 0.27465307216702745},
                {RecombinationToKosambiDistance, 0.45, 0.7361097447916102},
                {RecombinationToKosambiDistance, 0.5, 4.202810707879566},
                {RecombinationToKosambiDistance, 0.6, 4.226638252830647}};
   for (const auto& c : cases)
      EXPECT_NEAR(c.function(c.argument), c.reference, Tolerance(c.reference))
          << "argument " << c.argument << ", reference " << c.reference;
}

TEST(MapFunction, InversesUndoTheirForwardFunctionsBelowOneHalf) {
   for (double theta = 0.0; theta < 0.49; theta += 0.01) {
      EXPECT_NEAR(DistanceToRecombination(RecombinationToDistance(theta)), theta, Tolerance(theta));
      EXPECT_NEAR(KosambiDistanceToRecombination(RecombinationToKosambiDistance(theta)), theta,
                  Tolerance(theta));
   }
   for (MapFunction f : kFunctions) EXPECT_EQ(f(0.0), 0.0);
   EXPECT_TRUE(std::signbit(RecombinationToDistance(0.0)));
}

TEST(MapFunction, ArgumentsOutsideTheMeaningfulRangesStayBounded) {
   const double infinity = std::numeric_limits<double>::infinity();
   // Kosambi's e^(4d) overflows above about 177 Morgans: the fraction is 0.5.
   for (MapFunction f : {DistanceToRecombination, KosambiDistanceToRecombination})
      for (double d : {200.0, 1e300, infinity}) EXPECT_EQ(f(d), 0.5) << d;
   // Negative arguments mirror positive ones, also where the formulas would
   // leave [-0.5, 0.5] or take the logarithm of a non-positive number.
   for (MapFunction f : kFunctions) {
      for (double x : {0.2, 0.5, 0.7, 3.0, 1000.0, infinity}) EXPECT_EQ(f(-x), -f(x)) << x;
      EXPECT_TRUE(std::isnan(f(std::nan(""))));
   }
}

}  // namespace
