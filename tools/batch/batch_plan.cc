#include "tools/batch/batch_plan.h"

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <system_error>

#include "tools/job/output_files.h"
#include "tools/pdf/class_pdf.h"
#include "tools/pdf/pdf_printer.h"
#include "tools/summary/class_summary.h"

namespace generatesheet::cli {

namespace fs = std::filesystem;

namespace {

bool Modified(const std::string& path, struct timespec& when) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  when = st.st_mtim;
  return true;
}

// The page and the student's results beside it both outlive the package,
// and the results (written after the page, removed before a row runs again)
// say the page was complete, is this row's student's, and was made as this
// run would make it: a page made without marks is no page with marks.
bool DoneBefore(const RowResult& row, const PlanSettings& settings) {
  const std::string package = PackagePath(row.row.job);
  const fs::path page(row.page_path);
  const std::string record_path =
      (page.parent_path() / RecordFileName(page.filename().string())).string();
  if (!PageIsNewerThanPackage(row.page_path, package) ||
      !PageIsNewerThanPackage(record_path, package)) {
    return false;
  }
  try {
    const StudentRecord done = ReadStudentRecord(record_path);
    const StudentJob& job = row.row.job;
    return done.state == Outcome::kComplete && done.options == settings.options &&
           done.student_id == job.student_id && done.student_name == job.student_name &&
           done.subject == job.subject && done.class_name == job.class_name &&
           done.package == FileIdentity(package) &&
           done.template_path == FileIdentity(settings.template_path) &&
           done.template_sha256 == settings.template_sha256;
  } catch (const std::exception&) {
    return false;
  }
}

// The files no row may write over, and the files rows write, each with
// what it is.
class FileOwners {
 public:
  explicit FileOwners(const PlanSettings& settings)
      : folder_(FileIdentity(settings.page_prefix) + "/") {
    for (const char* name : kSummaryFiles) owners_.emplace(folder_ + name, Owner{"班级汇总文件"});
    if (settings.options.pdf) owners_.emplace(folder_ + kClassPdfName, Owner{"班级 PDF"});
    for (const auto& [path, what] : settings.own_files) {
      owners_.emplace(FileIdentity(path), Owner{what});
    }
  }

  void AddPackage(const ManifestRow& row) {
    owners_.emplace(FileIdentity(PackagePath(row.job)),
                    Owner{"清单第 " + std::to_string(row.line) + " 行的答卷包"});
  }

  // Claims the row's page, results file and PDF; "" when they were free,
  // else why the row is refused.
  std::string Claim(const ManifestRow& row, const std::string& page_path) {
    const std::string page = fs::path(page_path).filename().string();
    const std::string names[] = {page, RecordFileName(page),
                                 fs::path(PdfPathFor(page)).filename().string()};
    for (const std::string& name : names) {
      const auto found = owners_.find(folder_ + name);
      if (found == owners_.end()) continue;
      const Owner& owner = found->second;
      if (owner.line > 0 && name == page) {
        return "与清单第 " + std::to_string(owner.line) + " 行生成同名页面：" + page_path +
               "；为免互相覆盖，本行不生成";
      }
      return "本行生成的 " + name + " 会覆盖" + owner.what + "；为免互相覆盖，本行不生成";
    }
    const Owner own{"清单第 " + std::to_string(row.line) + " 行生成的文件", row.line};
    for (const std::string& name : names) owners_.emplace(folder_ + name, own);
    return "";
  }

 private:
  struct Owner {
    std::string what;
    size_t line = 0;  // of the row writing the file; 0 for others
  };

  std::string folder_;
  std::map<std::string, Owner> owners_;
};

}  // namespace

std::string FileIdentity(const std::string& path) {
  std::error_code ec;
  fs::path canonical = fs::weakly_canonical(path, ec);
  if (ec) canonical = fs::absolute(path, ec).lexically_normal();
  std::string text = canonical.string();
  while (text.size() > 1 && text.ends_with('/')) text.pop_back();
  return text;
}

std::string PackagePath(const StudentJob& job) { return job.package_folder + "/" + job.zip_name; }

bool PageIsNewerThanPackage(const std::string& page_path, const std::string& package_path) {
  struct timespec page {
  }, package{};
  if (!Modified(page_path, page) || !Modified(package_path, package)) return false;
  return page.tv_sec > package.tv_sec ||
         (page.tv_sec == package.tv_sec && page.tv_nsec > package.tv_nsec);
}

BatchPlan PlanBatch(const std::vector<ManifestRow>& manifest, const Shard& shard,
                    const PlanSettings& settings) {
  // Every row of the manifest, of any shard, claims its files in manifest
  // order, so each shard refuses the same rows.
  FileOwners owners(settings);
  for (const ManifestRow& row : manifest) owners.AddPackage(row);
  BatchPlan plan;
  std::map<std::string, size_t> unit_of_folder;
  for (const ManifestRow& row : manifest) {
    const std::string page_path = PagePathFor(settings.page_prefix, row.job.zip_name);
    const std::string clash = owners.Claim(row, page_path);
    if (!shard.Takes(row.index)) continue;
    RowResult result;
    result.row = row;
    result.page_path = page_path;
    if (!clash.empty()) {
      result.status = RowStatus::kFailed;
      result.message = clash;
      result.refused = true;
    } else if (settings.resume && DoneBefore(result, settings)) {
      result.status = RowStatus::kSkipped;
    } else {
      const auto [unit, added] =
          unit_of_folder.emplace(FileIdentity(row.job.package_folder), plan.units.size());
      if (added) plan.units.emplace_back();
      plan.units[unit->second].push_back(plan.rows.size());
    }
    plan.rows.push_back(std::move(result));
  }
  return plan;
}

}  // namespace generatesheet::cli
