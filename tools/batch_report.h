// The JSON report of a batch (format in doc/cli.md).
#ifndef GENERATESHEET_TOOLS_BATCH_REPORT_H_
#define GENERATESHEET_TOOLS_BATCH_REPORT_H_

#include <string>

#include "tools/batch_plan.h"
#include "tools/shard.h"

namespace generatesheet::cli {

struct BatchCounts {
  size_t written = 0;
  size_t skipped = 0;
  size_t failed = 0;
  size_t with_gaps = 0;  // written pages with a failed section or question
};

BatchCounts CountResults(const BatchPlan& plan);

// The report as JSON text: the run's settings, the counts and one entry per
// row of the shard, in manifest order.
std::string BatchReportJson(const BatchPlan& plan, const std::string& manifest, const Shard& shard);

// Writes the report atomically; throws Error naming the file.
void WriteBatchReport(const std::string& path, const BatchPlan& plan, const std::string& manifest,
                      const Shard& shard);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_BATCH_REPORT_H_
