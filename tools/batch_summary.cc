#include "tools/batch_summary.h"

#include <filesystem>
#include <set>

#include "tools/class_summary.h"
#include "util/error.h"

namespace generatesheet::cli {

namespace {

std::string FileName(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

std::string Folder(const std::string& page_path) {
  return std::filesystem::path(page_path).parent_path().string() + "/";
}

std::string RecordPath(const std::string& page_path) {
  return Folder(page_path) + RecordFileName(FileName(page_path));
}

}  // namespace

StudentRecord RecordOfRun(const StudentJob& job, const JobOutcome& outcome,
                          const std::string& page_path) {
  StudentRecord record;
  record.student_id = job.student_id;
  record.student_name = job.student_name;
  record.subject = job.subject;
  record.page = FileName(page_path);
  record.message = outcome.message;
  record.state = outcome.outcome;
  if (outcome.written) record.results = outcome.results;
  return record;
}

ClassSummary BatchSummary(const BatchPlan& plan) {
  ClassSummary summary;
  std::set<std::string> pages;
  for (const RowResult& row : plan.rows) {
    const std::string path = RecordPath(row.page_path);
    try {
      // A row refused for an earlier row's page name never ran: the file
      // there is the earlier row's.
      if (!pages.insert(row.page_path).second) throw Error(row.message);
      StudentRecord record = ReadStudentRecord(path);
      // A failure after the record was written is the row's final word.
      if ((row.status == RowStatus::kFailed || row.status == RowStatus::kWithErrors) &&
          record.state == Outcome::kComplete) {
        record.state = Outcome::kWrittenWithErrors;
        record.message = row.message;
      }
      summary.Add(std::move(record));
    } catch (const Error& e) {
      JobOutcome outcome;
      // Without its results a written page cannot count as complete.
      outcome.written = row.status != RowStatus::kFailed;
      outcome.outcome = outcome.written ? Outcome::kWrittenWithErrors : Outcome::kNotWritten;
      outcome.message = row.status == RowStatus::kFailed ? row.message : e.what();
      summary.Add(RecordOfRun(row.row.job, outcome, row.page_path));
    }
  }
  return summary;
}

void MarkRecordWithErrors(RowResult& row) {
  try {
    StudentRecord record = ReadStudentRecord(RecordPath(row.page_path));
    AddFailure(record, row.message);
    WriteStudentRecord(Folder(row.page_path), record);
  } catch (const std::exception& e) {
    row.message += "；" + std::string(e.what());
  }
}

std::string SummaryNameClash(const BatchPlan& plan) {
  for (const RowResult& row : plan.rows) {
    for (const char* name : kSummaryFiles) {
      if (FileName(row.page_path) == name) return row.page_path;
    }
  }
  return "";
}

}  // namespace generatesheet::cli
