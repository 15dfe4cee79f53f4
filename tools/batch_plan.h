// What a batch will do with each row of its shard, decided before any
// worker starts: the page each row writes, the rows --resume skips, the rows
// refused because an earlier row writes a page of the same name, and the
// units of work (rows sharing a package folder are extracted into that one
// folder, so they run one after another in one unit).
#ifndef GENERATESHEET_TOOLS_BATCH_PLAN_H_
#define GENERATESHEET_TOOLS_BATCH_PLAN_H_

#include <string>
#include <vector>

#include "tools/batch_manifest.h"
#include "tools/shard.h"
#include "tools/student_record.h"

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
};

struct BatchPlan {
  std::vector<RowResult> rows;             // the shard's rows, in manifest order
  std::vector<std::vector<size_t>> units;  // indexes into rows; pending rows only
};

// `page_prefix` ends with "/".  With `resume`, a row is skipped only when
// its page is newer than its package and the record the last run left
// beside the page says the page was complete and made with `options`.
BatchPlan PlanBatch(const std::vector<ManifestRow>& manifest, const Shard& shard,
                    const std::string& page_prefix, bool resume, const PageOptions& options);

// True when the page exists and was modified after the package was.
bool PageIsNewerThanPackage(const std::string& page_path, const std::string& package_path);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_BATCH_PLAN_H_
