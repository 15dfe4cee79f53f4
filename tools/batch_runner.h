// Runs the pending rows of a batch plan on worker threads, each with its own
// CreateHtml, and shows the progress while they work.
#ifndef GENERATESHEET_TOOLS_BATCH_RUNNER_H_
#define GENERATESHEET_TOOLS_BATCH_RUNNER_H_

#include <string>

#include "tools/batch_plan.h"
#include "tools/progress_bar.h"

namespace generatesheet::cli {

struct BatchSettings {
  std::string template_path;
  std::string page_prefix;  // ends with "/"
  unsigned jobs = 1;
};

// Fills in the status of every pending row.  A row's failure is recorded in
// its result and never stops the other rows.
void RunBatch(BatchPlan& plan, const BatchSettings& settings, ProgressDisplay& progress);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_BATCH_RUNNER_H_
