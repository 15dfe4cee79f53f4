#include "tools/batch/batch_summary.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <optional>
#include <set>
#include <thread>
#include <tuple>

#include "tools/archive/archive_manifest.h"
#include "tools/job/output_files.h"
#include "tools/summary/class_summary.h"
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
  record.class_name = job.class_name;
  record.package = FileIdentity(PackagePath(job));
  record.page = FileName(page_path);
  record.message = outcome.message;
  record.state = outcome.outcome;
  if (outcome.written) {
    record.results = outcome.results;
    record.sections = outcome.sections;
    record.texts = outcome.texts;
    // The hash the extraction took; a package whose extraction did not
    // take one (a host's own component) is hashed now.
    record.package_sha256 =
        outcome.package_sha256.empty() ? PackageSha256(record.package) : outcome.package_sha256;
  }
  return record;
}

namespace {

// A row's record read ahead of its turn, or why it could not be read.
struct ReadAhead {
  std::optional<StudentRecord> record;
  std::string error;
  std::exception_ptr failure;  // anything but an unreadable record
};

// The records of rows [first, last) (a refused row has none: the file
// beside its page is another's), read by up to `readers` threads: parsing
// the results files is most of a summary's work.
std::vector<ReadAhead> ReadRecords(const BatchPlan& plan, size_t first, size_t last,
                                   unsigned readers) {
  std::vector<ReadAhead> read(last - first);
  const auto work = [&](size_t start) {
    for (size_t i = start; i < read.size(); i += readers) {
      const RowResult& row = plan.rows[first + i];
      if (row.status == RowStatus::kPending) continue;
      try {
        if (row.refused) throw Error(row.message);
        const std::string path = RecordPath(row.page_path);
        read[i].record = ReadRecordMaybeReplaced(path);
        if (!read[i].record) throw Error("文件不存在：" + path);
      } catch (const Error& e) {
        read[i].error = e.what();
      } catch (...) {
        read[i].failure = std::current_exception();
      }
    }
  };
  std::vector<std::jthread> threads;
  for (unsigned t = 1; t < readers; ++t) threads.emplace_back(work, t);
  work(0);
  return read;
}

// The record that stands for `row` in the summary.
StudentRecord SummaryRecord(const RowResult& row, ReadAhead read) {
  if (read.failure) std::rethrow_exception(read.failure);
  const bool row_failed = row.status == RowStatus::kFailed || row.status == RowStatus::kWithErrors;
  if (read.record) {
    StudentRecord& record = *read.record;
    // A failure after the record was written is the row's final word.
    if (row_failed && record.state == Outcome::kComplete) {
      record.state = Outcome::kWrittenWithErrors;
      record.message = row.message;
    }
    return std::move(record);
  }
  JobOutcome outcome;
  // Without its results a written page cannot count as complete.
  outcome.written = row.status != RowStatus::kFailed;
  outcome.outcome = outcome.written ? Outcome::kWrittenWithErrors : Outcome::kNotWritten;
  outcome.message = row.status == RowStatus::kFailed ? row.message : read.error;
  return RecordOfRun(row.row.job, outcome, row.page_path);
}

}  // namespace

ClassSummary BatchSummary(const BatchPlan& plan, unsigned readers,
                          const std::string& not_run_note) {
  readers = std::max(readers, 1u);
  std::set<std::tuple<std::string, std::string, std::string>> listed;  // number, name, subject
  // A few records a reader at a time, so memory stays small in any class.
  const size_t window = 4 * size_t{readers};
  ClassSummary summary;
  if (!not_run_note.empty()) summary.SetNotRunNote(not_run_note);
  for (size_t first = 0; first < plan.rows.size(); first += window) {
    const size_t last = std::min(first + window, plan.rows.size());
    std::vector<ReadAhead> read = ReadRecords(plan, first, last, readers);
    for (size_t i = first; i < last; ++i) {
      // A row an interrupted batch never began: its files, if any, are an
      // earlier run's.  It is listed, never counted.
      if (plan.rows[i].status == RowStatus::kPending) {
        JobOutcome outcome;
        outcome.message = plan.rows[i].message;
        summary.AddNotRun(RecordOfRun(plan.rows[i].row.job, outcome, plan.rows[i].page_path));
        continue;
      }
      const StudentJob& job = plan.rows[i].row.job;
      const bool first_of_student =
          listed.emplace(job.student_id, job.student_name, job.subject).second;
      if (plan.rows[i].refused && !first_of_student) continue;
      summary.Add(SummaryRecord(plan.rows[i], std::move(read[i - first])));
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

}  // namespace generatesheet::cli
