// The figures of each subject in index.html: reliability beside the
// class figures, a legend saying what 难度, 区分度 and 信度 mean and where
// their thresholds lie, and the questions to review listed first.
#ifndef GENERATESHEET_TOOLS_SUMMARY_FIGURES_HTML_H_
#define GENERATESHEET_TOOLS_SUMMARY_FIGURES_HTML_H_

#include <string>
#include <vector>

#include "tools/summary/subject_figures.h"

namespace generatesheet::cli {

// One row per subject: count, mean, n − 1 SD, skewness, kurtosis, alpha, SEM.
std::string SubjectFiguresTable(const std::vector<SubjectFigures>& figures);

// The "需要复核的试题" box: every flagged question with its flags; a line
// saying none is flagged otherwise.
std::string ReviewBox(const std::vector<SubjectFigures>& figures);

std::string FiguresLegend();

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUMMARY_FIGURES_HTML_H_
