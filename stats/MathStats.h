// Special functions and tail probabilities for statistical analyses: log-gamma,
// the regularised incomplete beta and gamma functions, the t, F, central and
// non-central chi-square and normal distributions, the normal quantile, the
// error function family and an integer square root.
//
// Invariants: the functions keep no state and may run concurrently. Invalid
// arguments and failures to converge are fatal through `error` (exit status 1),
// so no function returns an error value. The iterative methods stop at a
// relative change of 3e-7 after at most 200 iterations, so their results carry
// about seven significant digits; `ninv` is good to double precision.
#ifndef LOCI_STATS_MATHSTATS_H
#define LOCI_STATS_MATHSTATS_H

// An approximation of sqrt(n) by three integer Newton steps for n from 1 to
// 10^9 (not always the floor: introot(3) is 2); floor(sqrt(n)) above 10^9 and
// 0 for n <= 0.
int introot(int n);

// ln Gamma(x) for x > 0 (six-term Lanczos series, absolute error below 2e-10).
double gammln(double x);

// The continued fraction of the incomplete beta function, for a, b > 0 and
// 0 <= x <= 1; unchecked. Fatal when it does not converge.
double betacf(double a, double b, double x);

// The regularised incomplete beta function I_x(a, b) for a, b > 0, 0 <= x <= 1.
double betai(double a, double b, double x);

// Two-sided P(|T| >= |t|) for Student's t with df degrees of freedom.
double tdist(double t, double df);

// Upper tail P(F >= f) with df1 numerator and df2 denominator degrees of freedom.
double fdist(double f, double df1, double df2);

// P(a, x) by its series into *result and ln Gamma(a) into *lngamma; for x < a + 1.
void gser(double* result, double a, double x, double* lngamma);

// Q(a, x) by its continued fraction into *result and ln Gamma(a) into *lngamma;
// for x >= a + 1.
void gcf(double* result, double a, double x, double* lngamma);

// Regularised lower incomplete gamma P(a, x), for a > 0 and x >= 0.
double gammp(double a, double x);

// Regularised upper incomplete gamma Q(a, x) = 1 - P(a, x), for a > 0, x >= 0.
double gammq(double a, double x);

// Upper tail P(X >= x) of the chi-square with df > 0 degrees of freedom.
double chidist(double x, double df);

// Upper tail of the non-central chi-square with non-centrality ncp (Ding's
// series: the lower tail is summed to within 1e-10, the upper tail returned, so
// the error is absolute). The terms are scaled from exp(-x/2) and exp(-ncp/2):
// where these underflow (x or ncp above about 1490) the result is meaningless.
// Fatal when 200 terms leave the truncation bound unmet.
double chidist(double x, double df, double ncp);

// erf(x) and erfc(x) through the incomplete gamma functions.
double erff(double x);
double erffc(double x);

// erfc(x) by a fitted approximation, relative error below 1.2e-7.
double erfcc(double x);

// P(Z > z) when upper is true, P(Z < z) when false, for a standard normal Z.
double ndist(double z, bool upper);

// The standard normal quantile for 0 < p < 1; fatal when the smaller tail
// probability min(p, 1 - p) is below 1e-200.
double ninv(double p);

#endif
