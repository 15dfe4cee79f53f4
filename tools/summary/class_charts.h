// The charts of index.html, one set per subject, as inline SVG (the page
// works offline and prints): the histogram of the totals with the mean
// marked, and the difficulty–discrimination plot of the questions.  Every
// mark carries a word or symbol beside its colour, so the charts read in
// black and white and through a screen reader.
#ifndef GENERATESHEET_TOOLS_SUMMARY_CLASS_CHARTS_H_
#define GENERATESHEET_TOOLS_SUMMARY_CLASS_CHARTS_H_

#include <string>

#include "tools/summary/subject_figures.h"

namespace generatesheet::cli {

// Ten equal bins from 0 to the full marks (or the best score, when higher),
// axis titles, each bin's range under its bar and a line at the mean; a
// sentence instead of the chart when no score is known.
std::string ScoreHistogram(const SubjectFigures& s);

// One point per question at (难度, 区分度), labelled with its number, with
// the thresholds of the flags drawn; a flagged question is a triangle with
// "⚠" beside its number.  Questions whose figures are undefined are named
// in a note under the chart; a sentence instead of the chart when no
// question can be drawn.
std::string ItemScatter(const SubjectFigures& f);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUMMARY_CLASS_CHARTS_H_
