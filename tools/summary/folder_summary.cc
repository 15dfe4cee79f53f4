#include "tools/summary/folder_summary.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <map>
#include <optional>
#include <string_view>
#include <utility>

#include "tools/job/sheet_job.h"
#include "util/error.h"
#include "util/parallel_for.h"

namespace generatesheet::cli {

namespace fs = std::filesystem;

namespace {

// The row of a record that cannot be read: its page named (by the record's
// own name), its student unknown.
StudentRecord UnreadableRecord(const std::string& path, const std::string& why) {
  const std::string name = fs::path(path).filename().string();
  StudentRecord record;
  record.page = name.substr(0, name.size() - std::string_view(".results.json").size()) + ".html";
  std::error_code ec;
  const bool page_there =
      fs::is_regular_file(fs::symlink_status(fs::path(path).parent_path() / record.page, ec));
  record.state = page_there ? Outcome::kWrittenWithErrors : Outcome::kNotWritten;
  record.message = why;
  return record;
}

// The folder's absolute path, without "." or ".." parts or a trailing "/".
fs::path Absolute(const std::string& folder) {
  fs::path path = fs::absolute(folder).lexically_normal();
  if (!path.has_filename() && path.has_parent_path()) path = path.parent_path();
  return path;
}

// How the summary in `out` names a page of `folder`: its bare name when the
// summary is beside it, else its path from the summary.
std::string PageFrom(const fs::path& out, const fs::path& folder, const std::string& page) {
  if (folder == out) return page;
  return (folder / page).lexically_relative(out).generic_string();
}

void CheckDistinct(const std::vector<fs::path>& folders, const std::vector<std::string>& named) {
  for (size_t i = 0; i < folders.size(); ++i) {
    for (size_t j = 0; j < i; ++j) {
      if (folders[i] == folders[j]) {
        throw Error("同一文件夹给出了两次：" + named[j] + " 与 " + named[i]);
      }
    }
  }
}

// Records read at once, by as many threads as there are cores: parsing
// the results files is most of a summary's work.  A bounded chunk keeps
// the records waiting for their turn few, however large the class.
constexpr size_t kChunk = 256;

// The record at `path`, or why it cannot be read.
struct ReadRecord {
  std::optional<StudentRecord> record;  // none: removed since the folder was listed
  std::string error;                    // not empty: the record cannot be read
  std::exception_ptr failure;           // anything else, thrown on the reading thread
};

std::vector<ReadRecord> ReadChunk(const std::vector<std::string>& paths, size_t first,
                                  size_t last) {
  std::vector<ReadRecord> read(last - first);
  ParallelFor(read.size(), [&](size_t i) {
    try {
      read[i].record = ReadRecordMaybeReplaced(paths[first + i]);
    } catch (const Error& e) {
      read[i].error = e.what();
    } catch (...) {
      read[i].failure = std::current_exception();
    }
  });
  return read;
}

// The first results file of each student (number and subject) and its
// folder: the same student in another folder would be counted twice.
class StudentsSeen {
 public:
  void Check(const StudentRecord& record, const std::string& path, size_t folder) {
    if (record.student_id.empty()) return;  // unreadable: no student to count
    const auto [at, added] =
        first_.emplace(std::pair(record.student_id, record.subject), std::pair(path, folder));
    if (!added && at->second.second != folder) {
      throw Error("同一学生（学号 " + record.student_id + "，科目 " + record.subject +
                  "）在两个文件夹中都有结果文件：" + at->second.first + " 与 " + path +
                  "；合并会重复计算，请删去其一后再汇总");
    }
  }

 private:
  std::map<std::pair<std::string, std::string>, std::pair<std::string, size_t>> first_;
};

}  // namespace

RebuildCounts SummariseFolders(const std::vector<std::string>& folders, const std::string& out,
                               const ScoreBands& bands, const ExamTitle& exam, ReportCards* cards) {
  std::vector<fs::path> absolute;
  for (const std::string& folder : folders) absolute.push_back(Absolute(folder));
  CheckDistinct(absolute, folders);
  const fs::path out_path = Absolute(out);
  RebuildCounts counts;
  ClassSummary summary;
  summary.SetBands(bands);
  summary.SetExam(exam);
  StudentsSeen seen;
  for (size_t f = 0; f < folders.size(); ++f) {
    const RecordFiles files = FindStudentRecords(folders[f]);
    counts.skipped.insert(counts.skipped.end(), files.skipped.begin(), files.skipped.end());
    for (size_t first = 0; first < files.records.size(); first += kChunk) {
      const size_t last = std::min(files.records.size(), first + kChunk);
      std::vector<ReadRecord> read = ReadChunk(files.records, first, last);
      for (size_t i = 0; i < read.size(); ++i) {
        const std::string& path = files.records[first + i];
        if (read[i].failure) std::rethrow_exception(read[i].failure);
        if (!read[i].error.empty()) {
          // The row of a record that cannot be read.
          counts.unreadable.push_back(read[i].error);
          read[i].record = UnreadableRecord(path, read[i].error);
        }
        // None for a record removed since the folder was listed: a batch
        // in the folder runs its student again, and writes the summary after.
        if (!read[i].record) continue;
        StudentRecord& record = *read[i].record;
        seen.Check(record, path, f);
        record.page = PageFrom(out_path, absolute[f], record.page);
        summary.Add(std::move(record));
      }
    }
  }
  if (summary.size() == 0) return counts;
  std::error_code ec;
  fs::create_directories(out, ec);
  if (ec) throw SystemError("无法创建汇总文件夹", out, ec.value());
  const SummaryWritten written = summary.Write(WithTrailingSlash(out));
  counts.left_out = written.left_out;
  counts.notes = written.notes;
  counts.students = summary.size();
  if (cards) *cards = summary.Cards();
  return counts;
}

}  // namespace generatesheet::cli
