// summary.xlsx: the class summary as one workbook, for those who work in a
// spreadsheet program.  Four sheets:
//   学生      one row per student, as summary.csv
//   试题      one row per question, as items.csv (by subject, then number)
//   得分矩阵  the points matrix, as scores.csv
//   班级      the class figures, one row per subject of each set of figures
// Subjects are never mixed: every row names its subject, and each figure is
// its subject's own.  Figures are numbers with number formats (shares and
// facility as percentages); a flagged figure is coloured, and the flag's
// text is in the question's 提示 cell as well.
#ifndef GENERATESHEET_TOOLS_SUMMARY_SUMMARY_WORKBOOK_H_
#define GENERATESHEET_TOOLS_SUMMARY_SUMMARY_WORKBOOK_H_

#include <string>
#include <vector>

#include "tools/summary/class_summary.h"
#include "tools/summary/subject_figures.h"

namespace generatesheet::cli {

// The scope of the figures of the whole summary.
inline constexpr char kWholeSummaryScope[] = "全体";

// Per-subject figures of a part of the summary (or the whole of it), named
// in the 范围 column of the 班级 sheet.
struct FigureSet {
  std::string scope;
  const std::vector<SubjectFigures>* subjects;
};

// Writes the workbook to `path` atomically; throws Error naming the file.
// The first of `sets` is the whole summary's, which the other sheets show.
void WriteSummaryWorkbook(const std::string& path,
                          const std::vector<ClassSummary::Student>& students,
                          const std::vector<FigureSet>& sets);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUMMARY_SUMMARY_WORKBOOK_H_
