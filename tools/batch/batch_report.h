// The JSON report of a batch (format in doc/cli.md).
#ifndef GENERATESHEET_TOOLS_BATCH_BATCH_REPORT_H_
#define GENERATESHEET_TOOLS_BATCH_BATCH_REPORT_H_

#include <string>

#include "tools/batch/batch_plan.h"
#include "tools/batch/shard.h"

namespace generatesheet::cli {

// One count per kind of row outcome.
struct BatchCounts {
  size_t complete = 0;     // pages written whole
  size_t with_errors = 0;  // pages written with gaps
  size_t not_written = 0;  // no page
  size_t skipped = 0;      // complete pages of an earlier run, kept by --resume
  size_t not_run = 0;      // rows a stopped or interrupted batch did not begin
};

// The report's name of a row's status: "complete", "with_errors",
// "not_written", "skipped", "not_run".
const char* StatusName(RowStatus status);

BatchCounts CountResults(const BatchPlan& plan);

// The report as JSON text: the run's settings, the counts and one entry per
// row of the shard, in manifest order.
std::string BatchReportJson(const BatchPlan& plan, const std::string& manifest, const Shard& shard);

// Writes the report atomically; throws Error naming the file.
void WriteBatchReport(const std::string& path, const BatchPlan& plan, const std::string& manifest,
                      const Shard& shard);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_BATCH_BATCH_REPORT_H_
