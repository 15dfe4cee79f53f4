// One student's results kept beside the student's page, so a class summary
// can be (re)built from a folder of pages without running anything again:
// PAGE.results.json next to PAGE.html, written atomically.
#ifndef GENERATESHEET_TOOLS_STUDENT_RECORD_H_
#define GENERATESHEET_TOOLS_STUDENT_RECORD_H_

#include <string>
#include <vector>

#include "generatesheet/create_html.h"
#include "generatesheet/question_result.h"

namespace generatesheet::cli {

struct StudentRecord {
  std::string student_id;
  std::string student_name;
  std::string subject;
  Outcome state = Outcome::kNotWritten;
  std::string page;     // the page's file name, beside the record
  std::string message;  // why the page is missing or has gaps
  std::vector<QuestionResult> results;
};

// "complete", "with_errors", "not_written", as the batch report names them.
const char* OutcomeName(Outcome state);

// "s1.results.json" for the page "s1.html" (other names get the suffix).
std::string RecordFileName(const std::string& page_file_name);

// Writes the record into `folder` (ending with "/") atomically; throws
// Error naming the file.
void WriteStudentRecord(const std::string& folder, const StudentRecord& record);

// Removes the record of the page at `page_path`, if there is one; throws
// Error naming the file when it stays.
void RemoveStudentRecord(const std::string& page_path);

// Reads one record; throws Error naming the file and what is wrong in it.
StudentRecord ReadStudentRecord(const std::string& path);

// The paths of every record file in `folder`, sorted by name.
std::vector<std::string> FindStudentRecords(const std::string& folder);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_STUDENT_RECORD_H_
