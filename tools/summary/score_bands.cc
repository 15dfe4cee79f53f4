#include "tools/summary/score_bands.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace generatesheet::cli {

std::string BandPercent(double share) {
  char text[32];
  std::snprintf(text, sizeof text, "%.10g%%", share * 100);
  return text;
}

void AddBandRates(SubjectFigures& f, double full, const ScoreBands& bands) {
  if (f.totals.empty() || full <= 0) return;
  const double n = static_cast<double>(f.totals.size());
  const auto share_of = [&](auto in_band) {
    return static_cast<double>(std::count_if(f.totals.begin(), f.totals.end(), in_band)) / n;
  };
  // The thresholds compared as scores, so 54 of 90 at 60% is a pass
  // whatever the rounding of 0.6 · 90.
  const auto at_least = [&](double share) {
    return [=](double t) { return t >= share * full - 1e-9 * full; };
  };
  f.pass_rate = share_of(at_least(bands.pass));
  f.excellent_rate = share_of(at_least(bands.excellent));
  f.low_rate = share_of([&](double t) { return t < bands.low * full - 1e-9 * full; });
  if (f.mean) f.score_rate = *f.mean / full;
}

void AddBandRates(std::vector<SubjectFigures>& year, std::vector<SubjectClasses>& classes,
                  const ScoreBands& bands) {
  for (SubjectFigures& f : year) {
    AddBandRates(f, f.full, bands);
    for (SubjectClasses& s : classes) {
      if (s.subject != f.subject) continue;
      for (ClassFigures& c : s.classes) AddBandRates(c.figures, f.full, bands);
    }
  }
}

}  // namespace generatesheet::cli
