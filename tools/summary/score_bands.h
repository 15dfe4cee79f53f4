// The bands a Chinese exam office reads first (三率一分): the pass,
// excellent and low-score rates, each the share of the students with a
// known total at or above (below, for the low band) a share of the paper's
// full marks, beside the mean and the score rate (mean / full marks).
// The thresholds are the summary's options (--pass, --excellent, --low),
// and every file that shows a rate says which threshold it was taken at.
#ifndef GENERATESHEET_TOOLS_SUMMARY_SCORE_BANDS_H_
#define GENERATESHEET_TOOLS_SUMMARY_SCORE_BANDS_H_

#include <string>
#include <vector>

#include "tools/summary/class_figures.h"
#include "tools/summary/subject_figures.h"

namespace generatesheet::cli {

struct ScoreBands {
  double pass = 0.6;        // 及格: total ≥ pass · full
  double excellent = 0.85;  // 优秀: total ≥ excellent · full
  double low = 0.4;         // 低分: total < low · full
};

// The threshold as the files state it: "60%", "87.5%".
std::string BandPercent(double share);

// The rates and the score rate of `f`, over its known totals, against
// `full` (the paper's full marks; none when it is 0).
void AddBandRates(SubjectFigures& f, double full, const ScoreBands& bands);

// The same for every subject of the year and of each class, each class
// against its subject's full marks.
void AddBandRates(std::vector<SubjectFigures>& year, std::vector<SubjectClasses>& classes,
                  const ScoreBands& bands);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUMMARY_SCORE_BANDS_H_
