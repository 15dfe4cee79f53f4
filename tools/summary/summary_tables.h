// The tables of the class summary, each made once from the figures and
// written both as a CSV file and as a sheet of the workbook:
//   summary.csv  学生      one row per student of the summary
//   items.csv    试题      one row per question, hardest first
//   scores.csv   得分矩阵  the points matrix
//                班级      the figures of each subject, of the whole
//                          summary and of each class
//                大题      the figures of each section, likewise
// Students are in the summary's order (by student number, subject, name,
// class, page), whatever order they came in.
#ifndef GENERATESHEET_TOOLS_SUMMARY_SUMMARY_TABLES_H_
#define GENERATESHEET_TOOLS_SUMMARY_SUMMARY_TABLES_H_

#include <string>
#include <utility>
#include <vector>

#include "tools/job/student_record.h"
#include "tools/summary/class_figures.h"
#include "tools/summary/score_bands.h"
#include "tools/summary/section_figures.h"
#include "tools/summary/section_totals.h"
#include "tools/summary/subject_figures.h"
#include "tools/summary/summary_student.h"
#include "tools/summary/summary_table.h"

namespace generatesheet::cli {

// The scope of the figures of the whole summary in the 班级 sheet.
inline constexpr char kWholeSummaryScope[] = "全体";

// The columns of a student's standing in 学生 (summary.csv): the total as a
// share of full marks, its z score against the n − 1 standard deviation,
// and T = 50 + 10z.
inline constexpr char kShareColumn[] = "得分率";
inline constexpr char kZColumn[] = "z 分数（标准差 n−1）";
inline constexpr char kTColumn[] = "T 分数";

// The 班级 sheet's columns of alpha's confidence interval and of each
// class's effect size against the rest of the year.
inline constexpr char kAlphaLowColumn[] = "信度 α 95% 置信下限（Feldt）";
inline constexpr char kAlphaHighColumn[] = "信度 α 95% 置信上限（Feldt）";
inline constexpr char kEffectSizeColumn[] = "效应量 d（本班对其余考生，合并标准差 n−1）";

// What the tables are made from.
struct SummaryContent {
  const std::vector<SummaryStudent>& students;  // in the order added
  const std::vector<size_t>& order;             // indexes into students, in the summary's order
  const std::vector<SubjectFigures>& subjects;  // of the whole summary
  const std::vector<SubjectClasses>& classes;   // empty when no student has a class
  const SectionTotals& sections;                // by index into students
  bool with_class;                              // a column 班级 beside the names
  ScoreBands bands;                             // the thresholds of the rates
  const std::vector<SectionsOfSubject>& section_figures;  // empty when no section is named
};

SummaryTable StudentsTable(const SummaryContent& content);
SummaryTable ItemsTable(const SummaryContent& content);
SummaryTable MatrixTable(const SummaryContent& content);
SummaryTable ClassesTable(const SummaryContent& content);
// 误选学生: per wrong option of each choice question, the students who
// chose it (subject, question, letter, the key, then the student's number,
// name and class), by subject, question, letter and the summary's order.
SummaryTable WrongChoicesTable(const SummaryContent& content);
// 大题: each section's full marks, count, mean and score rate, for the
// whole summary, then class by class.
SummaryTable SectionsTable(const SummaryContent& content);

// The questions of every subject, hardest first (unknown facility last),
// then by subject and number: (subject, question) indexes.
std::vector<std::pair<size_t, size_t>> HardestFirst(const std::vector<SubjectFigures>& subjects);

// The 班级 sheet's columns of the quartiles, the score rate and the rates
// of the bands, each rate headed by its threshold.
std::vector<std::string> BandHeader(const ScoreBands& bands);

// The figures of the summary's row `row` (null when it has none).
std::vector<const StudentFigures*> FiguresByRow(const std::vector<SubjectFigures>& subjects,
                                                size_t rows);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUMMARY_SUMMARY_TABLES_H_
