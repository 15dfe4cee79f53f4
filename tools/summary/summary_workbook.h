// summary.xlsx: the class summary as one workbook, for those who work in a
// spreadsheet program.  Four sheets:
//   学生      one row per student, as summary.csv
//   试题      one row per question, as items.csv (by subject, then number)
//   得分矩阵  the points matrix, as scores.csv
//   班级      the figures per subject of the whole summary, then of each
//             class (the figures worked out per class; the others empty)
// Subjects are never mixed: every row names its subject, and each figure is
// its subject's own.  Figures are numbers with number formats (shares and
// facility as percentages); a flagged figure is coloured, and the flag's
// text is in the question's 提示 cell as well.
#ifndef GENERATESHEET_TOOLS_SUMMARY_SUMMARY_WORKBOOK_H_
#define GENERATESHEET_TOOLS_SUMMARY_SUMMARY_WORKBOOK_H_

#include <string>
#include <vector>

#include "tools/summary/class_figures.h"
#include "tools/summary/class_summary.h"
#include "tools/summary/section_totals.h"
#include "tools/summary/subject_figures.h"

namespace generatesheet::cli {

// The scope of the figures of the whole summary.
inline constexpr char kWholeSummaryScope[] = "全体";

// What the workbook shows.
struct WorkbookContent {
  const std::vector<ClassSummary::Student>& students;
  const std::vector<SubjectFigures>& subjects;  // of the whole summary
  // Per class, each class's rows after the whole summary's in the 班级
  // sheet (scope: the class's name); empty when no student has a class.
  const std::vector<SubjectClasses>& classes;
  bool with_class;                // a column 班级 in 学生 and 得分矩阵, as in the CSV files
  const SectionTotals& sections;  // the section subtotal columns of 学生
};

// Writes the workbook to `path` atomically; throws Error naming the file.
void WriteSummaryWorkbook(const std::string& path, const WorkbookContent& content);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUMMARY_SUMMARY_WORKBOOK_H_
