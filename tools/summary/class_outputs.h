// The classes of a summary in its files: their figures in summary.json,
// their facility per question in items.csv, and a table per subject in
// index.html setting each class beside the whole year.  Nothing of this is
// written when no student has a class.
#ifndef GENERATESHEET_TOOLS_SUMMARY_CLASS_OUTPUTS_H_
#define GENERATESHEET_TOOLS_SUMMARY_CLASS_OUTPUTS_H_

#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

#include "tools/summary/class_figures.h"
#include "tools/summary/subject_figures.h"

namespace generatesheet::cli {

// summary.json: the subject's "classes", one object per class: class,
// count, complete, mean, median, min, max, sd, alpha, and questions
// (number, facility).
nlohmann::json ClassesJson(const std::vector<SubjectClasses>& classes, const std::string& subject);

// index.html: per subject, the whole year and each class side by side
// (count, mean, median, n − 1 SD, alpha, facility per question); "" when no
// student has a class.
std::string ClassComparisonHtml(const std::vector<SubjectFigures>& year,
                                const std::vector<SubjectClasses>& classes);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUMMARY_CLASS_OUTPUTS_H_
