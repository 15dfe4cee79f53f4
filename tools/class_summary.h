// The class summary beside the pages of a batch: index.html (students
// sortable in the browser, the score histogram, the item analysis),
// summary.csv (one row per student) and items.csv (one row per question).
// Everything is inline, so the summary works offline; the CSV files are
// UTF-8 with a byte-order mark, so spreadsheet programs read them as such.
#ifndef GENERATESHEET_TOOLS_CLASS_SUMMARY_H_
#define GENERATESHEET_TOOLS_CLASS_SUMMARY_H_

#include <string>
#include <vector>

#include "tools/student_record.h"

namespace generatesheet::cli {

inline constexpr const char* kSummaryFiles[] = {"index.html", "summary.csv", "items.csv"};

std::string SummaryCsv(const std::vector<StudentRecord>& records);
std::string ItemsCsv(const std::vector<StudentRecord>& records);
std::string SummaryHtml(const std::vector<StudentRecord>& records);

// `record` with only what the summary reads of it: the answers written to
// questions without options (only whether there is one counts) and the
// reasons for unknown values are dropped, so that a class of thousands of
// students with long essays stays small in memory.
StudentRecord ForSummary(StudentRecord record);

// Writes the three files into `folder` (ending with "/"), each atomically;
// throws Error naming the file that could not be written.
void WriteClassSummary(const std::string& folder, const std::vector<StudentRecord>& records);

// Reads every student record in `folder` and writes the summary from them.
// Returns the number of students; throws Error naming an unreadable record.
size_t RebuildClassSummary(const std::string& folder);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_CLASS_SUMMARY_H_
