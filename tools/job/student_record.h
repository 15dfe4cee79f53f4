// One student's results kept beside the student's page, so a class summary
// can be (re)built from a folder of pages without running anything again:
// PAGE.results.json next to PAGE.html, written atomically.
#ifndef GENERATESHEET_TOOLS_JOB_STUDENT_RECORD_H_
#define GENERATESHEET_TOOLS_JOB_STUDENT_RECORD_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "generatesheet/create_html.h"
#include "generatesheet/question_result.h"

namespace generatesheet::cli {

// The options a batch ran with that shape what it leaves for a student:
// marks on the page, and a PDF beside it.
struct PageOptions {
  bool marks = false;
  bool pdf = false;

  bool operator==(const PageOptions&) const = default;
};

// The bounds a results file is read within; a file beyond them is
// unreadable.  A record's size follows from its paper: a paper of the most
// questions a question number can tell apart, each with long answers,
// stays far below these.
inline constexpr std::size_t kMaxRecordBytes = 64 * 1024 * 1024;
inline constexpr std::size_t kMaxRecordNesting = 16;  // a record itself nests 4 deep
inline constexpr std::size_t kMaxRecordQuestions = 65536;

struct StudentRecord {
  std::string student_id;
  std::string student_name;
  std::string subject;
  std::string class_name;  // "" when the manifest gave none, or in an earlier version's record
  // The package and the template the page was made from (absolute paths);
  // empty in a record of an earlier version.
  std::string package;
  std::string template_path;
  // The template's SHA-256 when the page was made: a template edited in
  // place keeps its path.  Empty in a record of an earlier version.
  std::string template_sha256;
  // The package's SHA-256 (lowercase hex) when its page was made; empty when
  // no page was, or in a record of an earlier version.
  std::string package_sha256;
  Outcome state = Outcome::kNotWritten;
  std::string page;     // the page's file name, beside the record
  std::string message;  // why the page is missing or has gaps
  // What the page was made with; none in a record of an earlier version.
  std::optional<PageOptions> options;
  // The pages of the student's PDF as printed; 0 when none was.
  std::size_t pdf_pages = 0;
  std::vector<QuestionResult> results;
  // The heading of each result's section ("一、单选题"), one per result;
  // "" where a record of an earlier version names none.
  std::vector<std::string> sections;
  // The first line of each result's question text, one per result; "" where
  // a record of an earlier version has none.
  std::vector<std::string> texts;
};

// "complete", "with_errors", "not_written", as the batch report names them.
const char* OutcomeName(Outcome state);

// Writes the record into `folder` (ending with "/") atomically; throws
// Error naming the file.
void WriteStudentRecord(const std::string& folder, const StudentRecord& record);

// Makes a complete record one with errors and adds `failure` to its message
// (a record of no page stays so): for a failure after the page was written.
void AddFailure(StudentRecord& record, const std::string& failure);

// Removes the record of the page at `page_path`, if there is one; throws
// Error naming the file when it stays.
void RemoveStudentRecord(const std::string& page_path);

// Reads one record, within the bounds above, from a regular file (not a
// link); throws Error naming the file and what is wrong in it.  Scores must
// be decimal numbers in the form the library writes them ("2.5", "-1"),
// question numbers whole numbers.  With `bytes`, the file's bytes are left
// there once read whole (also when they hold no record), e.g. for their hash.
StudentRecord ReadStudentRecord(const std::string& path,
                                std::optional<std::string>* bytes = nullptr);

// A record from the text of its file: the form the batch writes read
// quickly (record_scanner.h), any other by the general JSON reader.  Throws
// (Error, or the JSON reader's exception) saying what is wrong in it.
StudentRecord ParseStudentRecord(std::string_view text);
// The same by the general JSON reader alone.
StudentRecord ParseRecordJson(std::string_view text);

// As ReadStudentRecord, for a folder another batch may be writing: a batch
// removes a student's record before it runs the student again and puts the
// new one in its place after.  A read that fails while the name is back in
// the meantime is tried again; none when no record is there.
std::optional<StudentRecord> ReadRecordMaybeReplaced(const std::string& path);

// The names in a folder that look like records.
struct RecordFiles {
  std::vector<std::string> records;  // paths of regular files, sorted by name
  std::vector<std::string> skipped;  // "path（why）": links, folders, pipes ...
};

// The record files directly in `folder`; anything else named like one is
// skipped (never followed out of the folder), and named.
RecordFiles FindStudentRecords(const std::string& folder);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_JOB_STUDENT_RECORD_H_
