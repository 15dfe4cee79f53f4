#include "tools/job/sheet_job.h"

#include <filesystem>
#include <system_error>

#include "tools/job/failure_cause.h"
#include "tools/job/output_files.h"

namespace generatesheet::cli {

namespace {

// A failed extraction leaves ErrMsg alone; the run's failure says why.
std::string ExtractionFailure(const CreateHtml& sheet, const std::string& package) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(package, ec)) return "答卷包不存在：" + package;
  const std::string& reason = sheet.Failure().message;
  return reason.empty() ? "无法解压答卷包：" + package : reason;
}

}  // namespace

std::string WithoutTrailingSlash(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string WithTrailingSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

JobOutcome RunJob(CreateHtml& sheet, const StudentJob& job, const std::string& template_path,
                  const std::string& page_prefix, bool marks) {
  sheet.SetErrMsg("");
  sheet.SetMarks(marks);
  // A page the program writes with errors says so on its face.
  sheet.SetIncompleteNotice(true);
  // Its tab, its print's running header and its PDF's title name the student.
  sheet.SetStudentTitle(true);
  sheet.SetBakDataPath(job.package_folder);
  sheet.SetZipPaperName(job.zip_name);
  sheet.SetTemplatePath(template_path);
  sheet.SetHTMLPaperPath(page_prefix);
  sheet.SetStudentID(job.student_id);
  sheet.SetStudentName(job.student_name);
  sheet.SetSubject(job.subject);

  const bool extracted = sheet.GenerateSheet();
  JobOutcome outcome;
  outcome.page_path = sheet.PagePath();
  outcome.outcome = sheet.PageOutcome();
  outcome.written = !outcome.page_path.empty();
  // The teacher reads the cause in plain words; ErrMsg keeps the
  // procedure's prefix for hosts.
  if (extracted) outcome.message = PlainCause(sheet.Failure());
  outcome.results = sheet.Results();
  outcome.sections = sheet.ResultSections();
  outcome.texts = sheet.ResultTexts();
  outcome.package_sha256 = sheet.PackageSha256();
  if (!outcome.written && outcome.message.empty()) {
    outcome.message = extracted ? "页面未写出：" + PagePathFor(page_prefix, job.zip_name)
                                : ExtractionFailure(sheet, job.package_folder + "/" + job.zip_name);
  }
  return outcome;
}

}  // namespace generatesheet::cli
