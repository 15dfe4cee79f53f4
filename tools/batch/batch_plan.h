// What a batch will do with each row of its shard, decided before any
// worker starts: the page each row writes, the rows --resume skips, the rows
// refused because a file they would write is one an earlier row writes or
// one the batch itself reads or writes, and the units of work (rows sharing
// a package folder are extracted into that one folder, so they run one
// after another in one unit).
#ifndef GENERATESHEET_TOOLS_BATCH_BATCH_PLAN_H_
#define GENERATESHEET_TOOLS_BATCH_BATCH_PLAN_H_

#include <string>
#include <utility>
#include <vector>

#include "tools/batch/batch_manifest.h"
#include "tools/batch/shard.h"
#include "tools/job/student_record.h"

namespace generatesheet::cli {

// kWritten: a complete page; kWithErrors: a page with gaps; kFailed: no
// page; kSkipped: --resume kept an earlier complete page.
enum class RowStatus { kPending, kWritten, kWithErrors, kSkipped, kFailed };

struct RowResult {
  ManifestRow row;
  std::string page_path;  // where the library writes (or wrote) the page
  RowStatus status = RowStatus::kPending;
  // For kFailed, why; for kWithErrors, the report of what the page lacks.
  std::string message;
  // Refused before the run: a file of the row's is another's (kFailed).
  bool refused = false;
};

struct BatchPlan {
  std::vector<RowResult> rows;             // the shard's rows, in manifest order
  std::vector<std::vector<size_t>> units;  // indexes into rows; pending rows only
};

struct PlanSettings {
  std::string page_prefix;  // ends with "/"
  bool resume = false;
  PageOptions options;
  std::string template_path;
  std::string template_sha256;  // the template's content as the batch began
  // Files the batch reads or writes besides the rows' own, with what each
  // is ("清单文件", "报告文件" ...): no row may write over one.
  std::vector<std::pair<std::string, std::string>> own_files;
};

// The rows of `shard`.  A row is refused when its page, results file or PDF
// is a summary file, with PDFs the class PDF, one of `own_files`, a package of the manifest, or a
// file an earlier row of the manifest (of any shard) writes.  With
// `resume`, a row is skipped only when its page is newer than its package
// and the record the last run left beside the page says the page was
// complete, of the same student (number, name, subject), and made from the
// same package and template (its path and content) with the same options.
BatchPlan PlanBatch(const std::vector<ManifestRow>& manifest, const Shard& shard,
                    const PlanSettings& settings);

// True when the page exists and was modified after the package was.
bool PageIsNewerThanPackage(const std::string& page_path, const std::string& package_path);

// How records name a file: absolute, links resolved, so one file has one
// name however a manifest or an option spells it.
std::string FileIdentity(const std::string& path);

// The package of a row: its folder joined with its zip_name.
std::string PackagePath(const StudentJob& job);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_BATCH_BATCH_PLAN_H_
