#include "tools/summary/f_distribution.h"

#include <cmath>
#include <initializer_list>

namespace generatesheet::cli {

namespace {

constexpr double kTiny = 1e-300;
constexpr double kEpsilon = 1e-15;

// The continued fraction of I_x(a, b) (modified Lentz), good for
// x < (a + 1)/(a + b + 2).
double BetaFraction(double a, double b, double x) {
  double c = 1, d = 1 - (a + b) * x / (a + 1);
  if (std::fabs(d) < kTiny) d = kTiny;
  d = 1 / d;
  double h = d;
  for (int m = 1; m <= 1000; ++m) {
    const double m2 = 2.0 * m;
    for (const double step : {m * (b - m) * x / ((a + m2 - 1) * (a + m2)),
                              -(a + m) * (a + b + m) * x / ((a + m2) * (a + m2 + 1))}) {
      d = 1 + step * d;
      if (std::fabs(d) < kTiny) d = kTiny;
      c = 1 + step / c;
      if (std::fabs(c) < kTiny) c = kTiny;
      d = 1 / d;
      h *= d * c;
      if (step < 0 && std::fabs(d * c - 1) < kEpsilon) return h;
    }
  }
  return h;
}

// The regularized incomplete beta function I_x(a, b).
double RegularizedBeta(double a, double b, double x) {
  if (x <= 0) return 0;
  if (x >= 1) return 1;
  const double front = std::exp(std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) +
                                a * std::log(x) + b * std::log1p(-x));
  if (x < (a + 1) / (a + b + 2)) return front * BetaFraction(a, b, x) / a;
  return 1 - front * BetaFraction(b, a, 1 - x) / b;
}

}  // namespace

double FCdf(double x, double d1, double d2) {
  if (x <= 0) return 0;
  return RegularizedBeta(d1 / 2, d2 / 2, d1 * x / (d1 * x + d2));
}

double FQuantile(double p, double d1, double d2) {
  double low = 0, high = 1;
  while (FCdf(high, d1, d2) < p && high < 1e300) high *= 2;
  for (int i = 0; i < 2000 && high - low > 1e-12 * high; ++i) {
    const double mid = (low + high) / 2;
    (FCdf(mid, d1, d2) < p ? low : high) = mid;
  }
  return (low + high) / 2;
}

}  // namespace generatesheet::cli
