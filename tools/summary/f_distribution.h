// The F distribution's quantiles, for the confidence interval of
// Cronbach's alpha (Feldt's method): the regularized incomplete beta
// function by its continued fraction, inverted by bisection.
#ifndef GENERATESHEET_TOOLS_SUMMARY_F_DISTRIBUTION_H_
#define GENERATESHEET_TOOLS_SUMMARY_F_DISTRIBUTION_H_

namespace generatesheet::cli {

// P(F ≤ x) for F with `d1` and `d2` degrees of freedom (both > 0).
double FCdf(double x, double d1, double d2);

// The x with FCdf(x, d1, d2) = p, 0 < p < 1, to a relative 1e-12.
double FQuantile(double p, double d1, double d2);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUMMARY_F_DISTRIBUTION_H_
