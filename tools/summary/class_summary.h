// The class summary beside the pages of a batch: index.html (students
// sortable in the browser, the score histogram, the item analysis),
// summary.csv (one row per student), items.csv (one row per question),
// scores.csv (the points matrix), summary.json (every figure, per
// subject; per class too, and each student's section subtotals, when the
// records name them) and summary.xlsx (the tables of the CSV files and the
// class figures as one workbook).
// Everything is inline, so the summary works offline; the CSV files are
// UTF-8 with a byte-order mark, so spreadsheet programs read them as such.
#ifndef GENERATESHEET_TOOLS_SUMMARY_CLASS_SUMMARY_H_
#define GENERATESHEET_TOOLS_SUMMARY_CLASS_SUMMARY_H_

#include <string>
#include <vector>

#include "tools/batch/student_record.h"
#include "tools/summary/class_figures.h"
#include "tools/summary/item_analysis.h"
#include "tools/summary/section_totals.h"
#include "tools/summary/subject_figures.h"

namespace generatesheet::cli {

inline constexpr const char* kSummaryFiles[] = {"index.html", "summary.csv",  "items.csv",
                                                "scores.csv", "summary.json", "summary.xlsx"};

// The files index.html links to when they are in its folder.
inline constexpr const char* kLinkedFiles[] = {"summary.csv", "items.csv", "scores.csv",
                                               "summary.json", "summary.xlsx"};

// The summary of a class, its students added one at a time.  Each record is
// kept without its per-question results: the figures take what they need
// of them as the record is added, so a class of thousands of students with
// long papers stays small in memory.
class ClassSummary {
 public:
  struct Student {
    StudentRecord record;  // without results
    std::string score;     // the exact total, "" when unknown
  };

  void Add(StudentRecord record);
  size_t size() const { return students_.size(); }

  std::string StudentsCsv() const;  // summary.csv
  std::string ItemsCsv() const;     // items.csv
  // index.html, with links to `linked`, the summary files beside it.
  std::string Html(const std::vector<std::string>& linked = {"summary.csv", "items.csv",
                                                             "scores.csv", "summary.json"}) const;
  std::string ScoresCsv() const;  // scores.csv
  std::string Json() const;       // summary.json

  // Writes the six files into `folder` (ending with "/"), each
  // atomically; throws Error naming the file that could not be written.
  void Write(const std::string& folder) const;

 private:
  // What the files are made from, worked out once for all of them.
  struct Figures {
    ClassAnalysis analysis;
    std::vector<SubjectFigures> subjects;
    std::vector<SubjectClasses> classes;  // empty when no student has a class
  };
  Figures Compute() const;
  std::string StudentsCsv(const Figures& computed) const;
  std::string ItemsCsv(const Figures& computed) const;
  std::string ScoresCsv(const Figures& computed) const;
  std::string Json(const Figures& computed) const;
  std::string Html(const Figures& computed, const std::vector<std::string>& linked) const;

  std::vector<Student> students_;
  ClassAnalyser analyser_;
  SubjectFiguresBuilder figures_;
  ClassFiguresBuilder classes_;
  SectionTotals sections_;
};

ClassSummary SummaryOf(const std::vector<StudentRecord>& records);

// What rebuilding a summary from a folder met.
struct RebuildCounts {
  size_t students = 0;                  // rows of the summary, unreadable ones included
  std::vector<std::string> unreadable;  // "path：why", each also a row of the summary
  std::vector<std::string> skipped;     // names that are no regular file, left out
};

// Reads every student record in `folder` and writes the summary from them
// into it (see SummariseFolders).
RebuildCounts RebuildClassSummary(const std::string& folder);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUMMARY_CLASS_SUMMARY_H_
