// The class summary beside the pages of a batch: index.html (students
// sortable in the browser, the score histogram, the item analysis),
// summary.csv (one row per student), items.csv (one row per question),
// scores.csv (the points matrix), summary.json (every figure, per
// subject; per class too, and each student's section subtotals, when the
// records name them) and summary.xlsx (the tables of the CSV files and the
// class figures as one workbook).
// Every file shows the figures of one engine (subject_figures.h) and the
// tables of one model (summary_tables.h); the students are listed in an
// order of their own (student number, subject, name, class, page), so the
// same results give the same files in any order, from one batch, its
// shards or merged folders.  A summary that does not count every student
// says so in each file: who is left out, and why.
// Everything is inline, so the summary works offline; the CSV files are
// UTF-8 with a byte-order mark, so spreadsheet programs read them as such.
#ifndef GENERATESHEET_TOOLS_SUMMARY_CLASS_SUMMARY_H_
#define GENERATESHEET_TOOLS_SUMMARY_CLASS_SUMMARY_H_

#include <optional>
#include <string>
#include <vector>

#include "tools/job/student_record.h"
#include "tools/summary/class_figures.h"
#include "tools/summary/exam_title.h"
#include "tools/summary/report_cards.h"
#include "tools/summary/score_bands.h"
#include "tools/summary/section_totals.h"
#include "tools/summary/student_standing.h"
#include "tools/summary/subject_figures.h"
#include "tools/summary/summary_student.h"
#include "tools/summary/summary_table.h"
#include "tools/summary/summary_tables.h"
#include "util/file_util.h"

namespace generatesheet::cli {

// The first cell of a line that opens each CSV file of a summary leaving
// students out, before the header; the banner's words follow it.  A
// summary that counts everyone has no such line.
inline constexpr char kPartialMark[] = "部分汇总：";

// What writing the summary met: a file left out (the rest written), text
// a file could not hold as it was.
struct SummaryWritten {
  std::vector<std::string> left_out;  // one message per file not written
  std::vector<std::string> notes;
};

// The summary of a class, its students added one at a time.  Each record is
// kept without its per-question results: the figures take what they need
// of them as the record is added, so a class of thousands of students with
// long papers stays small in memory.
class ClassSummary {
 public:
  using Student = SummaryStudent;

  void Add(StudentRecord record);
  // A row the batch never began: listed as 未生成, never counted.
  void AddNotRun(StudentRecord record);
  // The words after the count of students never run in the note of a
  // partial summary ("批量生成被中断，用 --resume 继续").
  void SetNotRunNote(std::string note) { not_run_note_ = std::move(note); }
  // The title and date at the top of index.html (the title made from the
  // subjects when empty).
  void SetExam(ExamTitle exam) { exam_ = std::move(exam); }
  size_t size() const { return students_.size(); }
  // The thresholds of the pass, excellent and low-score rates.
  void SetBands(const ScoreBands& bands) { bands_ = bands; }

  std::string StudentsCsv() const;  // summary.csv
  std::string ItemsCsv() const;     // items.csv
  // index.html, with links to `linked`, the summary files beside it.
  std::string Html(const std::vector<std::string>& linked = {"summary.csv", "items.csv",
                                                             "scores.csv", "summary.json"}) const;
  std::string ScoresCsv() const;  // scores.csv
  std::string Json() const;       // summary.json

  // Writes the six files into `folder` (ending with "/"), each
  // atomically.  A file that cannot be written is removed in its earlier
  // version and the rest written; then Error naming the first is thrown.
  // A workbook beyond what the format holds is left out (an earlier one
  // removed) and the rest written: the result names it.  With `cards`, the
  // report cards of the same figures are put there (nothing is written of
  // them).
  SummaryWritten Write(const std::string& folder, ReportCards* cards = nullptr) const;
  // The report cards of the summary's figures.
  ReportCards Cards() const;

 private:
  struct Figures;
  Figures Compute() const;
  // summary.csv, items.csv, scores.csv and the 班级 sheet of `content`,
  // which must outlive them, each marked when the summary is partial.
  std::vector<SummaryTable> Tables(const Figures& computed, const SummaryContent& content) const;
  std::string Csv(size_t table) const;  // the CSV file of Tables()[table]
  // summary.xlsx, or what keeps it from being written in `written`.
  // `limit`: why the tables do not fit a workbook, "" when they do.
  void WriteWorkbook(const std::string& workbook, const Figures& computed,
                     const std::vector<SummaryTable>& tables, const std::string& limit,
                     SummaryWritten& written) const;
  std::string Html(const Figures& computed, const std::vector<std::string>& linked) const;
  std::string Json(const Figures& computed) const;
  void PutJson(const ContentSink& put, const Figures& computed) const;
  // The exam's title: the one set, or made from the subjects.
  std::string Title(const Figures& computed) const;

  std::vector<Student> students_;
  SubjectFiguresBuilder figures_;
  ClassFiguresBuilder classes_;
  SectionTotals sections_;
  bool named_ = false;  // any student has a class
  ScoreBands bands_;
  std::string not_run_note_ = "批量生成未完成，用 --resume 继续";
  ExamTitle exam_;
};

ClassSummary SummaryOf(const std::vector<StudentRecord>& records);

// What rebuilding a summary from a folder met.
struct RebuildCounts {
  size_t students = 0;                  // rows of the summary, unreadable ones included
  std::vector<std::string> unreadable;  // "path：why", each also a row of the summary
  std::vector<std::string> skipped;     // names that are no regular file, left out
  std::vector<std::string> left_out;    // summary files not written, and why
  std::vector<std::string> notes;       // text a file could not hold as it was
};

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUMMARY_CLASS_SUMMARY_H_
