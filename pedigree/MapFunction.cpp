#include "pedigree/MapFunction.h"

#include <algorithm>
#include <cmath>

namespace {
// Keeps the distance for a fraction of 0.5 finite.
const double kMinimumNonRecombinant = 1e-7;
}  // namespace

double DistanceToRecombination(double d) {
   if (d < 0.0) return -DistanceToRecombination(-d);
   return 0.5 * (1.0 - exp(-2.0 * d));
}

double RecombinationToDistance(double theta) {
   if (theta < 0.0) return -RecombinationToDistance(-theta);
   return -0.5 * log(std::max(1.0 - 2.0 * theta, kMinimumNonRecombinant));
}

double KosambiDistanceToRecombination(double d) {
   if (d < 0.0) return -KosambiDistanceToRecombination(-d);
   double e = exp(4.0 * d);
   // The quotient reaches 1 long before e overflows.
   if (std::isinf(e)) return 0.5;
   return 0.5 * (e - 1.0) / (e + 1.0);
}

double RecombinationToKosambiDistance(double theta) {
   if (theta < 0.0) return -RecombinationToKosambiDistance(-theta);
   return 0.25 * log((1.0 + 2.0 * theta) / std::max(1.0 - 2.0 * theta, kMinimumNonRecombinant));
}
