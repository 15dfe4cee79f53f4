#include "tools/batch_plan.h"

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <system_error>

namespace generatesheet::cli {

namespace fs = std::filesystem;

namespace {

// One key per folder however the manifest spells it.
std::string FolderKey(const std::string& folder) {
  std::error_code ec;
  fs::path canonical = fs::weakly_canonical(folder, ec);
  if (ec) canonical = fs::absolute(folder, ec).lexically_normal();
  return canonical.string();
}

bool Modified(const std::string& path, struct timespec& when) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  when = st.st_mtim;
  return true;
}

// The page and the student's results beside it both outlive the package,
// and the results (written after the page, removed before a row runs again)
// say the page was complete and made with the same options: a page made
// without marks is no page with marks.
bool DoneBefore(const std::string& page_path, const std::string& package_path,
                const PageOptions& options) {
  const fs::path page(page_path);
  const std::string record =
      (page.parent_path() / RecordFileName(page.filename().string())).string();
  if (!PageIsNewerThanPackage(page_path, package_path) ||
      !PageIsNewerThanPackage(record, package_path)) {
    return false;
  }
  try {
    const StudentRecord done = ReadStudentRecord(record);
    return done.state == Outcome::kComplete && done.options == options;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

bool PageIsNewerThanPackage(const std::string& page_path, const std::string& package_path) {
  struct timespec page {
  }, package{};
  if (!Modified(page_path, page) || !Modified(package_path, package)) return false;
  return page.tv_sec > package.tv_sec ||
         (page.tv_sec == package.tv_sec && page.tv_nsec > package.tv_nsec);
}

BatchPlan PlanBatch(const std::vector<ManifestRow>& manifest, const Shard& shard,
                    const std::string& page_prefix, bool resume, const PageOptions& options) {
  BatchPlan plan;
  std::map<std::string, size_t> line_of_page;
  std::map<std::string, size_t> unit_of_folder;
  for (const ManifestRow& row : manifest) {
    if (!shard.Takes(row.index)) continue;
    RowResult result;
    result.row = row;
    result.page_path = page_prefix + PageFileName(row.job.zip_name);
    const auto [earlier, first] = line_of_page.emplace(result.page_path, row.line);
    if (!first) {
      result.status = RowStatus::kFailed;
      result.message = "与清单第 " + std::to_string(earlier->second) + " 行生成同名页面：" +
                       result.page_path + "；为免互相覆盖，本行不生成";
    } else if (resume && DoneBefore(result.page_path,
                                    row.job.package_folder + "/" + row.job.zip_name, options)) {
      result.status = RowStatus::kSkipped;
    } else {
      const auto [unit, added] =
          unit_of_folder.emplace(FolderKey(row.job.package_folder), plan.units.size());
      if (added) plan.units.emplace_back();
      plan.units[unit->second].push_back(plan.rows.size());
    }
    plan.rows.push_back(std::move(result));
  }
  return plan;
}

}  // namespace generatesheet::cli
