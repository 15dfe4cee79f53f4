// Runs the pending rows of a batch plan on worker threads, each with its own
// CreateHtml, and shows the progress while they work.
#ifndef GENERATESHEET_TOOLS_BATCH_RUNNER_H_
#define GENERATESHEET_TOOLS_BATCH_RUNNER_H_

#include <string>

#include "tools/batch_plan.h"
#include "tools/progress_bar.h"
#include "tools/student_record.h"

namespace generatesheet::cli {

struct BatchSettings {
  std::string template_path;
  std::string page_prefix;  // ends with "/"
  unsigned jobs = 1;
  PageOptions options;  // marks on the pages; each page also printed to PDF
};

// Fills in the status of every pending row and keeps each student's results
// beside the page.  A row's failure (its page, its PDF, its results file) is
// recorded in its result and never stops the other rows; a page that was
// written but lacks its PDF or its results file counts as having errors.
void RunBatch(BatchPlan& plan, const BatchSettings& settings, ProgressDisplay& progress);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_BATCH_RUNNER_H_
