#include "stats/MathStats.h"

#include <cmath>

#include "io/Error.h"

namespace {

const int ITMAX = 200;
const double EPS = 3e-7;        // relative convergence of the series and fractions
const double FPMIN = 1e-30;     // smallest denominator magnitude in the Lentz recurrences
const double ERRMAX = 1e-10;    // truncation bound of the non-central chi-square series
const double TAILMIN = 1e-200;  // smallest tail probability ninv accepts

// Keeps a Lentz denominator away from zero.
inline double Floored(double v) {
   return std::fabs(v) < FPMIN ? FPMIN : v;
}

// Horner evaluation of c[0] + c[1] r + ... + c[7] r^7.
inline double Poly7(const double* c, double r) {
   return ((((((c[7] * r + c[6]) * r + c[5]) * r + c[4]) * r + c[3]) * r + c[2]) * r + c[1]) * r +
          c[0];
}

// Wichura's PPND16 (AS 241): numerators and denominators of the central,
// intermediate and far-tail rational approximations, constant term first.
const double A[8] = {3.3871328727963666080e0,  1.3314166789178437745e+2, 1.9715909503065514427e+3,
                     1.3731693765509461125e+4, 4.5921953931549871457e+4, 6.7265770927008700853e+4,
                     3.3430575583588128105e+4, 2.5090809287301226727e+3};
const double B[8] = {1.0,
                     4.2313330701600911252e+1,
                     6.8718700749205790830e+2,
                     5.3941960214247511077e+3,
                     2.1213794301586595867e+4,
                     3.9307895800092710610e+4,
                     2.8729085735721942674e+4,
                     5.2264952788528545610e+3};
const double C[8] = {1.42343711074968357734e0,  4.63033784615654529590e0, 5.76949722146069140550e0,
                     3.64784832476320460504e0,  1.27045825245236838258e0, 2.41780725177450611770e-1,
                     2.27238449892691845833e-2, 7.74545014278341407640e-4};
const double D[8] = {1.0,
                     2.05319162663775882187e0,
                     1.67638483018380384940e0,
                     6.89767334985100004550e-1,
                     1.48103976427480074590e-1,
                     1.51986665636164571966e-2,
                     5.47593808499534494600e-4,
                     1.05075007164441684324e-9};
const double E[8] = {6.65790464350110377720e0,  5.46378491116411436990e0,
                     1.78482653991729133580e0,  2.96560571828504891230e-1,
                     2.65321895265761230930e-2, 1.24266094738807843860e-3,
                     2.71155556874348757815e-5, 2.01033439929228813265e-7};
const double F[8] = {1.0,
                     5.99832206555887937690e-1,
                     1.36929880922735805310e-1,
                     1.48753612908506148525e-2,
                     7.86869131145613259100e-4,
                     1.84631831751005468180e-5,
                     1.42151175831644588870e-7,
                     2.04426310338993978564e-15};

}  // namespace

int introot(int n) {
   if (n <= 0) return 0;

   // The decade search below would overflow; sqrt of an int is exact enough in
   // double that truncation gives the floor.
   if (n > 1000000000) return static_cast<int>(std::sqrt(static_cast<double>(n)));

   int g = 1;
   if (n >= 2) {
      int e = 1;
      do {
         e *= 10;
         g *= 3;
      } while (n > e);
   }
   for (int i = 0; i < 3; i++) g = (g + n / g) / 2;
   return g;
}

double gammln(double x) {
   static const double cof[6] = {76.18009172947146,  -86.50532032941678,   24.01409824083091,
                                 -1.231739572450155, 0.001208650973866179, -5.395239384953e-06};

   double t = x + 5.5;
   t -= (x + 0.5) * std::log(t);
   double s = 1.000000000190015;
   double y = x;
   for (int j = 0; j < 6; j++) s += cof[j] / ++y;
   return std::log(2.5066282746310007 * s / x) - t;
}

double betacf(double a, double b, double x) {
   double qab = a + b;
   double qap = a + 1.0;
   double qam = a - 1.0;

   double c = 1.0;
   double d = 1.0 / Floored(1.0 - qab * x / qap);
   double h = d;

   for (int m = 1; m <= ITMAX; m++) {
      int m2 = 2 * m;

      // The fraction's coefficients alternate between an even and an odd form.
      double e = m * (b - m) * x / ((qam + m2) * (a + m2));
      d = 1.0 / Floored(1.0 + e * d);
      c = Floored(1.0 + e / c);
      h *= d * c;

      e = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2));
      d = 1.0 / Floored(1.0 + e * d);
      c = Floored(1.0 + e / c);
      double r = d * c;
      h *= r;

      if (std::fabs(r - 1.0) < EPS) return h;
   }
   error("betacf: a or b too big or ITMAX too small");
}

double betai(double a, double b, double x) {
   if (x < 0.0 || x > 1.0) error("betai: Bad x");

   double f = 0.0;
   if (x != 0.0 && x != 1.0)
      f = std::exp(gammln(a + b) - gammln(a) - gammln(b) + a * std::log(x) + b * std::log(1.0 - x));

   // The fraction converges fast only below the switch point; above it use the
   // symmetry I_x(a, b) = 1 - I_(1-x)(b, a).
   if (x < (a + 1.0) / (a + b + 2.0)) return f * betacf(a, b, x) / a;
   return 1.0 - f * betacf(b, a, 1.0 - x) / b;
}

double tdist(double t, double df) {
   return betai(df / 2.0, 0.5, df / (df + t * t));
}

double fdist(double f, double df1, double df2) {
   return betai(df2 / 2.0, df1 / 2.0, df2 / (df2 + df1 * f));
}

void gser(double* result, double a, double x, double* lngamma) {
   *lngamma = gammln(a);

   if (x <= 0.0) {
      if (x < 0.0) error("x less than 0 in gamma series routine (gser)");
      *result = 0.0;
      return;
   }

   double w = a;
   double term = 1.0 / a;
   double sum = term;
   for (int n = 1; n <= ITMAX; n++) {
      w += 1.0;
      term *= x / w;
      sum += term;
      if (std::fabs(sum) * EPS > std::fabs(term)) {
         *result = sum * std::exp(a * std::log(x) - x - *lngamma);
         return;
      }
   }
   error("a too large, ITMAX too small in gamma series routine (gser)");
}

void gcf(double* result, double a, double x, double* lngamma) {
   *lngamma = gammln(a);

   double b = (x + 1.0) - a;
   double c = 1.0 / FPMIN;
   double d = 1.0 / b;
   double h = d;

   bool converged = false;
   for (int i = 1; i <= ITMAX && !converged; i++) {
      double e = -i * (i - a);
      b += 2.0;
      d = 1.0 / Floored(e * d + b);
      c = Floored(b + e / c);
      double r = d * c;
      h *= r;
      converged = std::fabs(r - 1.0) < EPS;
   }
   if (!converged) error("a too large, ITMAX too small in gamma countinued fraction (gcf)");

   *result = std::exp(a * std::log(x) - x - *lngamma) * h;
}

double gammp(double a, double x) {
   if (x < 0.0 || a <= 0.0) error("Invalid arguments in routine gammp");

   double result, lngamma;
   if (x < a + 1.0) {
      gser(&result, a, x, &lngamma);
      return result;
   }
   gcf(&result, a, x, &lngamma);
   return 1.0 - result;
}

double gammq(double a, double x) {
   if (x < 0.0 || a <= 0.0) error("Invalid arguments in routine gammq");

   double result, lngamma;
   if (x < a + 1.0) {
      gser(&result, a, x, &lngamma);
      return 1.0 - result;
   }
   gcf(&result, a, x, &lngamma);
   return result;
}

double chidist(double x, double df) {
   return gammq(df / 2.0, x / 2.0);
}

double chidist(double x, double df, double ncp) {
   if (x < 0.0 || df < 0.0 || ncp < 0.0) error("Invalid arguments in chidist function");

   if (x == 0.0) return 1.0;

   // Poisson weights of the non-centrality (u, summed into v) times the central
   // chi-square densities with df + 2n degrees of freedom (t).
   double lambda = ncp / 2.0;
   double u = std::exp(-lambda);
   double v = u;
   double t = std::pow(x / 2.0, df / 2.0) * std::exp(-x / 2.0) / std::exp(gammln(df / 2.0 + 1.0));
   // For large x and df the power overflows although the term itself is
   // representable: only then take the same term through logarithms, so
   // every result the direct form can give stays as it was.
   if (!std::isfinite(t))
      t = std::exp((df / 2.0) * std::log(x / 2.0) - x / 2.0 - gammln(df / 2.0 + 1.0));
   double sum = v * t;

   // n is a double so that a huge x cannot overflow the term counter.
   double n = 1.0;
   auto addTerm = [&] {
      u *= lambda / n;
      v += u;
      t *= x / (df + 2.0 * n);
      sum += v * t;
      n += 1.0;
   };

   // The terms grow until df + 2n passes x; no truncation bound holds before.
   while (x > df + 2.0 * n) addTerm();

   while (true) {
      double bound = t * x / (df + 2.0 * n - x);
      if (bound <= ERRMAX) return 1.0 - sum;
      if (n > ITMAX) error("chidist function did not converge within %d iterations\n", ITMAX);
      addTerm();
   }
}

double erff(double x) {
   return x < 0.0 ? -gammp(0.5, x * x) : gammp(0.5, x * x);
}

double erffc(double x) {
   return x < 0.0 ? 1.0 + gammp(0.5, x * x) : gammq(0.5, x * x);
}

double erfcc(double x) {
   double z = std::fabs(x);
   double t = 1.0 / (1.0 + 0.5 * z);
   double s =
       t * (1.00002368 +
            t * (0.37409196 +
                 t * (0.09678418 +
                      t * (-0.18628806 +
                           t * (0.27886807 +
                                t * (-1.13520398 +
                                     t * (1.48851587 + t * (-0.82215223 + t * 0.17087277))))))));
   double v = t * std::exp(-z * z - 1.26551223 + s);
   return x >= 0.0 ? v : 2.0 - v;
}

double ndist(double z, bool upper) {
   if (z < 0.0) {
      z = -z;
      upper = !upper;
   }

   if (z > 7.5 && !upper) return 1.0;
   if (z > 20.0) return upper ? 0.0 : 1.0;

   double y = 0.5 * z * z;
   double v;
   if (z < 1.28)
      v = 0.5 - z * (0.398942280444 - 0.399903438504 * y /
                                          (y + 5.75885480458 -
                                           29.8213557808 / (y + 2.62433121679 +
                                                            48.6959930692 / (y + 5.92885724438))));
   else
      v = 0.398942270385 * std::exp(-y) /
          (z - 2.8052e-08 +
           1.00000615302 /
               (z + 0.000398064794 +
                1.98615381364 /
                    (z - 0.151679116635 +
                     5.29330324926 / (z + 4.8385912808 -
                                      15.1508972451 / (z + 0.742380924027 +
                                                       30.789933034 / (z + 3.99019417011))))));

   return upper ? v : 1.0 - v;
}

double ninv(double p) {
   double q = p - 0.5;
   if (std::fabs(q) < 0.425) {
      double r = 0.180625 - q * q;
      return q * Poly7(A, r) / Poly7(B, r);
   }

   double r = q < 0.0 ? p : 1.0 - p;
   if (r < TAILMIN) error("p-value [%.2g] outside range in ninv()", r);

   r = std::sqrt(-std::log(r));
   double v;
   if (r <= 5.0) {
      r -= 1.6;
      v = Poly7(C, r) / Poly7(D, r);
   } else {
      r -= 5.0;
      v = Poly7(E, r) / Poly7(F, r);
   }
   return q < 0.0 ? -v : v;
}
