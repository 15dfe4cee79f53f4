// One student's page, as run and batch make it: the properties set on a
// CreateHtml, GenerateSheet, and what came of it.
#ifndef GENERATESHEET_TOOLS_JOB_SHEET_JOB_H_
#define GENERATESHEET_TOOLS_JOB_SHEET_JOB_H_

#include <string>
#include <vector>

#include "generatesheet/create_html.h"
#include "generatesheet/page_file_name.h"

namespace generatesheet::cli {

struct StudentJob {
  std::string package_folder;  // BakDataPath, without a trailing "/"
  std::string zip_name;        // ZipPaperName
  std::string student_id;
  std::string student_name;
  std::string subject;
  std::string class_name;  // the class the student is in; "" when not given
};

struct JobOutcome {
  Outcome outcome = Outcome::kNotWritten;  // the library's word on the page
  bool written = false;                    // outcome is not kNotWritten
  std::string page_path;                   // the page written, when written
  // Why no page was written; or, for a written page, the last failure of a
  // section or question that left a gap in it (empty when there was none).
  std::string message;
  std::vector<QuestionResult> results;  // the run's per-question results
  std::vector<std::string> sections;    // the section heading of each result
  std::vector<std::string> texts;       // the first line of each result's question
  std::string package_sha256;           // of the package as extracted; "" when not
};

// "dir" for "dir/" (and "/" for "/"): BakDataPath has no trailing separator.
std::string WithoutTrailingSlash(std::string folder);
// "dir/" for "dir": HTMLPaperPath is joined to the page name directly.
std::string WithTrailingSlash(std::string folder);

// Runs one student on `sheet` (its ErrMsg is emptied first, so the outcome
// tells only of this run).  `page_prefix` ends with "/".  Never throws for a
// failure of the run itself.
// With `marks`, the page shows each question's marks and verdict.
JobOutcome RunJob(CreateHtml& sheet, const StudentJob& job, const std::string& template_path,
                  const std::string& page_prefix, bool marks = false);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_JOB_SHEET_JOB_H_
