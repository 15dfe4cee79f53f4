// The student table of index.html: each student's names, class, score,
// ranks, percentile and section subtotals as the summary's 学生 table has
// them, the outcome with its cause, and links to the page and its PDF.
// Sortable by a click on a heading and filtered by class with a few lines
// of script; without script it is the whole table, as printed.
#ifndef GENERATESHEET_TOOLS_SUMMARY_STUDENTS_HTML_H_
#define GENERATESHEET_TOOLS_SUMMARY_STUDENTS_HTML_H_

#include <string>

#include "tools/summary/summary_tables.h"

namespace generatesheet::cli {

// A link to a file beside the summary: always relative ("./"), so no name
// can make it a "javascript:" or other scheme, with the characters that
// would end or change a path percent-encoded.
std::string PageHref(const std::string& page);

// The class filter (hidden until the script shows it) and the table.
std::string StudentsHtml(const SummaryContent& content);

// The script that sorts the sortable tables and filters the students.
extern const char kStudentsScript[];

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUMMARY_STUDENTS_HTML_H_
