#include "stats/MathStats.h"

#include <climits>
#include <cmath>
#include <functional>
#include <string>
#include <utility>

#include "tests/support/TestSupport.h"

// Reference values are mpmath 1.3 at mp.dps = 40, evaluated at the exact double
// arguments shown and rounded to the nearest double:
//   gammln        loggamma(x)
//   betai         betainc(a, b, 0, x, regularized=True)
//   betacf        betai * a * beta(a, b) / (x^a (1 - x)^b)
//   tdist         betainc(df/2, 1/2, 0, df/(df + t^2), regularized=True)
//   fdist         betainc(df2/2, df1/2, 0, df2/(df2 + df1 f), regularized=True)
//   gammp, gammq  gammainc(a, 0, x, regularized=True), gammainc(a, x, inf, regularized=True)
//   chidist       gammainc(df/2, x/2, inf, regularized=True)
//   non-central   sum_j exp(-ncp/2) (ncp/2)^j / j! * gammainc(df/2 + j, x/2, inf,
//                 regularized=True), summed until the Poisson weight falls below 1e-40
//   erf, erfc     erf(x), erfc(x);  ndist  ncdf(-z) (the upper tail)
//   ninv          findroot(log(ncdf(z)) - log(min(p, 1 - p))) to 1e-70, negated for p > 1/2
namespace {

// Lanczos: |error of ln Gamma| < 2e-10, plus a few ulps of the result's size.
const double kLanczosAbs = 2e-10;
// The series and continued fractions stop once the last term or factor is within
// 3e-7 of the sum; what is left over can approach that size where convergence is
// slow (large a next to the switch point), so twice the stopping rule, relative
// to the tail the method sums. The complementary tail inherits it as absolute error.
const double kIterRel = 6e-7;
// Ding's series stops when the bound on the remaining lower tail reaches 1e-10;
// Lanczos adds up to 2e-10 relative to that tail.
const double kDingAbs = 3e-10;
// Fitted erfc: fractional error below 1.2e-7 everywhere.
const double kErfccRel = 1.2e-7;
// Hill's two rational forms with the coefficients used here: 3.1e-8 relative on
// the smaller tail up to z = 20 (far better below 1.28).
const double kNdistRel = 4e-8;
// AS 241 is good to about 1e-16; the log and sqrt of the tail add a few ulps.
const double kNinvRel = 1e-15;

double IterTol(double ref, bool sumsRef) {
   return kIterRel * (sumsRef ? ref : 1.0 - ref) + 4e-16;
}

TEST(MathStats, IntegerRootAndLogGamma) {
   // Up to 10^9 traced by hand: start 3^k for the first decade 10^k >= n, then
   // three Newton steps. Above, exact floors: 31622^2 = 999950884, 46340^2 = 2147395600.
   // clang-format off
   const int roots[][2] = {{1, 1}, {2, 1}, {3, 2}, {4, 2}, {24, 5}, {99, 10}, {100, 10},
       {1000000, 1000}, {1000000000, 31623}, {0, 0}, {-7, 0}, {INT_MIN, 0}, {1000000001, 31622},
       {2147395599, 46339}, {2147395600, 46340}, {INT_MAX, 46340}};
   const double lngamma[][2] = {{1e-06, 13.815509980749432}, {0.5, 0.5723649429247001},
       {1.0, 0.0}, {2.0, 0.0}, {3.0, 0.6931471805599453}, {7.25, 7.0521854507385395},
       {50.5, 146.51925549072064}, {1000.0, 5905.220423209181}, {1e6, 12815504.569147611}};
   // clang-format on
   for (const auto& c : roots) EXPECT_EQ(introot(c[0]), c[1]) << "n=" << c[0];
   for (const auto& c : lngamma)
      EXPECT_NEAR(gammln(c[0]), c[1], kLanczosAbs + 1e-15 * std::fabs(c[1])) << "x=" << c[0];
}

TEST(MathStats, IncompleteBetaAndItsTailsMatchReferences) {
   // {a, b, x, I_x(a, b)}; from {1, 1, 0.49999999999999994} on, pairs of rows are the
   // double just below the switch point (a + 1)/(a + b + 2) and the switch point itself.
   // Then {a, b, x, continued fraction}, {t, df, P(|T| >= |t|)} and {f, df1, df2,
   // P(F >= f)}: every returned t or F tail is within a factor of one of the tail
   // that betai sums, so the iteration bound holds relative to it.
   // clang-format off
   const double cases[][4] = {{0.5, 0.5, 1e-10, 6.366197723781917e-06},
       {2.5, 10.0, 0.01, 0.0010639900732998533}, {10.0, 2.5, 0.3, 0.00010393749588227053},
       {200.0, 50.0, 0.5, 3.930291809057418e-23}, {0.1, 1000.0, 0.999, 1.0},
       {1000.0, 0.1, 0.998, 0.0056654297860679135}, {50.0, 50.0, 0.6, 0.9780695578699148},
       {1.0, 1.0, 0.49999999999999994, 0.49999999999999994}, {1.0, 1.0, 0.5, 0.5},
       {2.0, 3.0, 0.4285714285714285, 0.5735110370678882},
       {2.0, 3.0, 0.42857142857142855, 0.5735110370678883},
       {1000.0, 0.1, 0.9989023051591657, 0.020671452265013168},
       {1000.0, 0.1, 0.9989023051591658, 0.020671452265016748},
       {0.1, 1000.0, 0.001097694840834248, 0.9793285477349842},
       {0.1, 1000.0, 0.0010976948408342481, 0.9793285477349842},
       {200.0, 1000.0, 0.1672212978369384, 0.5273898387122485},
       {200.0, 1000.0, 0.16722129783693843, 0.5273898387122495}};
   const double fractions[][4] = {{2.5, 10.0, 0.01, 1.03681464974521},
       {10.0, 2.5, 0.3, 1.5135267053529189}, {1000.0, 0.1, 0.9989023051591657, 584.3428014518552}};
   const double t[][3] = {{0.1, 1.0, 0.9365489651388929}, {1.0, 1.0, 0.5},
       {2.0, 10.0, 0.07338803477074037}, {5.0, 30.0, 2.3296685467007796e-05},
       {30.0, 3.0, 8.135280427163959e-05}, {100.0, 5.0, 1.8960014224623626e-09},
       {3.0, 1000.0, 0.0027667090442381925}, {10000.0, 2.0, 9.999999850000003e-09}};
   const double f[][4] = {{0.5, 2.0, 5.0, 0.6339381452606089}, {2.0, 10.0, 20.0, 0.08978271484375},
       {20.0, 30.0, 7.0, 0.00021463846486215893}, {1000.0, 1.0, 10.0, 2.3512191643196086e-11},
       {0.01, 100.0, 100.0, 1.0}};
   // clang-format on
   for (const auto& c : cases) {
      bool below = c[2] < (c[0] + 1.0) / (c[0] + c[1] + 2.0);
      EXPECT_NEAR(betai(c[0], c[1], c[2]), c[3], IterTol(c[3], below))
          << "a=" << c[0] << " b=" << c[1] << " x=" << c[2];
   }
   for (const auto& c : fractions)
      EXPECT_NEAR(betacf(c[0], c[1], c[2]), c[3], kIterRel * c[3]) << "x=" << c[2];
   for (const auto& c : t) EXPECT_NEAR(tdist(c[0], c[1]), c[2], kIterRel * c[2]) << "t=" << c[0];
   for (const auto& c : f)
      EXPECT_NEAR(fdist(c[0], c[1], c[2]), c[3], kIterRel * c[3]) << "f=" << c[0];

   // Reproducible to the last bit: the switch point itself takes the mirrored fraction.
   double x = 3.0 / 7.0;
   double g = std::exp(gammln(5.0) - gammln(2.0) - gammln(3.0) + 2.0 * std::log(x) +
                       3.0 * std::log(1.0 - x));
   EXPECT_EQ(betai(2.0, 3.0, x), 1.0 - g * betacf(3.0, 2.0, 1.0 - x) / 3.0);
   EXPECT_TRUE(betai(2.5, 7.0, 0.0) == 0.0 && betai(2.5, 7.0, 1.0) == 1.0);
   EXPECT_TRUE(tdist(0.0, 7.0) == 1.0 && fdist(0.0, 3.0, 9.0) == 1.0);
}

TEST(MathStats, IncompleteGammaAndItsTailsMatchReferences) {
   // {a, x, P(a, x), Q(a, x)}; the switch is at x = a + 1, so rows 2 to 5 and 7, 8
   // come in pairs with the double below a + 1 and a + 1 itself. Then {x, df, P(X >= x)};
   // {x, df, ncp, upper tail} with an absolute tolerance, the lower tail is what is
   // summed; {x, erf(x), erfc(x)}, where x = sqrt(1.5) and the next double straddle the
   // switch of gammp(0.5, x^2).
   // The last two non-central rows guard a regression: (x/2)^(df/2) overflows from
   // about x = df = 290 although the series term is small; the run ended in "did not
   // converge".
   // clang-format off
   const double cases[][4] = {{0.5, 1e-08, 0.00011283791633342487, 0.9998871620836666},
       {0.01, 1.0099999999999998, 0.9978203981517484, 0.002179601848251635},
       {0.01, 1.01, 0.9978203981517484, 0.002179601848251634},
       {5.0, 5.999999999999999, 0.7149434996833687, 0.2850565003166313},
       {5.0, 6.0, 0.7149434996833688, 0.2850565003166312},
       {10.0, 0.001, 2.7532278594284627e-37, 1.0},
       {100.0, 100.999999999, 0.5528962933952403, 0.4471037066047597},
       {100.0, 101.0, 0.5528962934345113, 0.44710370656548876},
       {100.0, 200.0, 0.9999999999999981, 1.843893649711574e-15},
       {1.0, 50.0, 1.0, 1.9287498479639178e-22},
       {30.0, 5.0, 2.8175176155779225e-14, 0.9999999999999718}};
   const double central[][3] = {{1e-06, 1.0, 0.9992021155721779}, {3.84, 1.0, 0.050043521248705106},
       {20.0, 4.0, 0.0004993992273873333}, {100.0, 100.0, 0.48119168452795674},
       {500.0, 100.0, 1.7201210053695373e-54}, {0.1, 50.0, 1.0}};
   const double noncentral[][4] = {{0.5, 0.0, 1.0, 0.3243507037050955},
       {1.0, 1.0, 0.0, 0.3173105078629141}, {3.0, 2.0, 0.5, 0.30409396995648613},
       {10.0, 5.0, 5.0, 0.4344223302336707}, {30.0, 10.0, 20.0, 0.4625979722348395},
       {100.0, 50.0, 0.0, 3.454931382984864e-05}, {200.0, 1.0, 0.0, 2.088487583762545e-45},
       {200.0, 50.0, 100.0, 0.01797808984751281}, {0.001, 1.0, 100.0, 1.0}, {0.0, 4.0, 2.0, 1.0},
       {0.0, 0.0, 0.0, 1.0}, {300.0, 300.0, 0.0, 0.489141770250640315},
       {1000.0, 1000.0, 0.0, 0.494052853829239642}};
   const double erf[][3] = {{-3.0, -0.9999779095030014, 1.9999779095030015},
       {-1.25, -0.9229001282564583, 1.9229001282564582},
       {-0.375, -0.4041169094348223, 1.4041169094348223},
       {1e-08, 1.1283791670955126e-08, 0.9999999887162083},
       {0.5, 0.5204998778130465, 0.4795001221869535},
       {1.224744871391589, 0.9167354833364496, 0.08326451666355043},
       {1.2247448713915892, 0.9167354833364496, 0.08326451666355038},
       {1.25, 0.9229001282564583, 0.07709987174354177},
       {3.0, 0.9999779095030014, 2.209049699858544e-05},
       {4.75, 0.9999999999815149, 1.8485047721485312e-11}, {10.0, 1.0, 2.088487583762545e-45},
       {26.0, 1.0, 5.663192408856143e-296}};
   // clang-format on
   for (const auto& c : cases) {
      bool series = c[1] < c[0] + 1.0;
      EXPECT_NEAR(gammp(c[0], c[1]), c[2], IterTol(c[2], series)) << "a=" << c[0] << " x=" << c[1];
      EXPECT_NEAR(gammq(c[0], c[1]), c[3], IterTol(c[3], !series)) << "a=" << c[0] << " x=" << c[1];
   }
   for (const auto& c : central)
      EXPECT_NEAR(chidist(c[0], c[1]), c[2], kIterRel * c[2]) << "x=" << c[0];
   for (const auto& c : noncentral)
      EXPECT_NEAR(chidist(c[0], c[1], c[2]), c[3], kDingAbs)
          << "x=" << c[0] << " df=" << c[1] << " ncp=" << c[2];
   for (const auto& c : erf) {
      EXPECT_NEAR(erff(c[0]), c[1], kIterRel * std::fabs(c[1])) << "x=" << c[0];
      EXPECT_NEAR(erffc(c[0]), c[2], kIterRel * c[2]) << "x=" << c[0];
      EXPECT_NEAR(erfcc(c[0]), c[2], kErfccRel * c[2]) << "x=" << c[0];
   }

   // Reproducible to the last bit: x = a + 1 itself takes the continued fraction,
   // the double below the series.
   double result, lngamma;
   gcf(&result, 5.0, 6.0, &lngamma);
   EXPECT_TRUE(gammq(5.0, 6.0) == result && lngamma == gammln(5.0));
   gser(&result, 5.0, std::nextafter(6.0, 0.0), &lngamma);
   EXPECT_EQ(gammp(5.0, std::nextafter(6.0, 0.0)), result);
   EXPECT_TRUE(gammp(3.0, 0.0) == 0.0 && gammq(3.0, 0.0) == 1.0 && chidist(0.0, 3.0) == 1.0);
   EXPECT_TRUE(erff(0.0) == 0.0 && erffc(0.0) == 1.0);
}

TEST(MathStats, NormalTailsAndQuantileMatchReferences) {
   // {z, P(Z > z)}: both sides of 1.28, and 7.5 and 20 where the tails are cut.
   // {p, z}: the 1e-200 floor; r = sqrt(-ln p) just above 5 and exactly 5 (far and
   // intermediate forms); |p - 0.5| equal to 0.425 (a tail form) and just below it.
   // clang-format off
   const double tails[][2] = {{-3.0, 0.9986501019683699}, {-0.5, 0.6914624612740131},
       {1.0, 0.15865525393145705}, {1.2799999999999998, 0.10027256795444213},
       {1.28, 0.10027256795444209}, {3.0, 0.0013498980316300946}, {7.5, 3.1908916729108963e-14},
       {7.500000000000001, 3.190891672910875e-14}, {8.0, 6.220960574271784e-16},
       {15.0, 3.670966199312751e-51}, {20.0, 2.7536241186062337e-89}};
   const double quantiles[][2] = {{1e-200, -30.20559417957964}, {1.5e-200, -30.19218236266476},
       {1e-100, -21.273453560965326}, {1.3887943864963947e-11, -6.657904643501104},
       {1.3887943864963948e-11, -6.657904643501104}, {1e-10, -6.361340902404057},
       {0.001, -3.0902323061678136}, {0.075, -1.439531470938456},
       {0.07500000000000001, -1.439531470938456}, {0.25, -0.6744897501960817},
       {0.9249999999999999, 1.4395314709384555}, {0.925, 1.4395314709384561},
       {0.999, 3.090232306167813}, {0.9999999999, 6.361340889697422}};
   // clang-format on
   for (const auto& c : tails) {
      double tol = kNdistRel * std::fmin(c[1], 1.0 - c[1]) + 2e-16;
      EXPECT_NEAR(ndist(c[0], true), c[1], tol) << "z=" << c[0];
      EXPECT_NEAR(ndist(-c[0], false), c[1], tol) << "z=" << c[0];
   }
   EXPECT_NE(ndist(7.5, false), 1.0);
   EXPECT_EQ(ndist(std::nextafter(7.5, 8.0), false), 1.0);
   EXPECT_TRUE(ndist(std::nextafter(20.0, 21.0), true) == 0.0 && ndist(-21.0, false) == 0.0);
   EXPECT_TRUE(ndist(0.0, true) == 0.5 && ndist(0.0, false) == 0.5);

   for (const auto& c : quantiles)
      EXPECT_NEAR(ninv(c[0]), c[1], kNinvRel * std::fabs(c[1])) << "p=" << c[0];
   EXPECT_EQ(ninv(0.5), 0.0);
}

// Bad arguments and failures to converge end the run in the callee's words;
// ninv names the smaller tail.
TEST(MathStatsDeathTest, FatalMessages) {
   // clang-format off
   const std::string gammpArgs = "Invalid arguments in routine gammp", badX = "betai: Bad x",
       gammqArgs = "Invalid arguments in routine gammq", range = " outside range in ninv()",
       chiArgs = "Invalid arguments in chidist function";
   double r, lg;
   const std::pair<std::function<void()>, std::string> cases[] = {
       {[] { betai(2.0, 3.0, 1.0000001); }, badX}, {[] { betai(2.0, 3.0, -1e-7); }, badX},
       {[&] { gser(&r, 1.0, -1.0, &lg); }, "x less than 0 in gamma series routine (gser)"},
       {[] { gammp(0.0, 1.0); }, gammpArgs}, {[] { gammp(1.0, -1.0); }, gammpArgs},
       {[] { gammq(-1.0, 1.0); }, gammqArgs}, {[] { chidist(1.0, 0.0); }, gammqArgs},
       {[] { chidist(-1.0, 2.0); }, gammqArgs}, {[] { chidist(-1.0, 2.0, 1.0); }, chiArgs},
       {[] { chidist(1.0, -2.0, 1.0); }, chiArgs}, {[] { chidist(1.0, 2.0, -1.0); }, chiArgs},
       {[] { betai(1e6, 1e6, 0.5); }, "betacf: a or b too big or ITMAX too small"},
       {[] { gammp(1e4, 9990.0); }, "a too large, ITMAX too small in gamma series routine (gser)"},
       {[] { gammq(1e6, 1e6 + 1); },
        "a too large, ITMAX too small in gamma countinued fraction (gcf)"},
       {[] { chidist(300.0, 1.0, 300.0); },
        "chidist function did not converge within 200 iterations\n"},
       {[] { ninv(0.0); }, "p-value [0]" + range}, {[] { ninv(1.0); }, "p-value [0]" + range},
       {[] { ninv(2.0); }, "p-value [-1]" + range}, {[] { ninv(-0.2); }, "p-value [-0.2]" + range},
       {[] { ninv(9.9e-201); }, "p-value [9.9e-201]" + range}};
   // clang-format on
   for (const auto& c : cases)
      EXPECT_FATAL(c.first(), "\nFATAL ERROR - \n" + c.second + "\n\n") << c.second;
}

}  // namespace
