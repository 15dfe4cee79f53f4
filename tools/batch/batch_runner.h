// Runs the pending rows of a batch plan on worker threads, each with its own
// CreateHtml, and shows the progress while they work.
#ifndef GENERATESHEET_TOOLS_BATCH_BATCH_RUNNER_H_
#define GENERATESHEET_TOOLS_BATCH_BATCH_RUNNER_H_

#include <atomic>
#include <string>

#include "tools/batch/batch_plan.h"
#include "tools/batch/progress_bar.h"
#include "tools/job/student_record.h"

namespace generatesheet::cli {

struct BatchSettings {
  std::string template_path;
  std::string template_sha256;  // recorded with each page
  std::string page_prefix;      // ends with "/"
  unsigned jobs = 1;
  PageOptions options;          // marks on the pages; each page also printed to PDF
  std::string key_file;         // the master key file of every thread's CreateHtml
  bool print_together = false;  // PDFs printed in groups (PrintPages)
  // Non-zero once the batch is asked to stop (the signal's number); rows
  // not yet begun are then left pending.  Null: never asked.
  const std::atomic<int>* interrupted = nullptr;
  // Go on even when the key file fits none of the first packages.
  bool keep_going = false;
};

// While no package has opened with the key file, this many students whose
// key does not fit stop the batch: the key is surely the wrong one.
inline constexpr size_t kKeyMismatchLimit = 5;

// How the rows' run ended.
struct RunEnd {
  bool interrupted = false;     // asked to stop before every row had begun
  bool key_mismatches = false;  // stopped after kKeyMismatchLimit key mismatches
};

// Fills in the status of every pending row and keeps each student's results
// beside the page.  A row's failure (its page, its PDF, its results file) is
// recorded in its result and never stops the other rows, with one
// exception: kKeyMismatchLimit students whose key does not fit, before any
// whose key does, stop the batch unless `keep_going`.  A stopped or
// interrupted batch finishes the rows in flight and leaves the rest pending.
// A page that was written but lacks its PDF or its results file counts as
// having errors.
RunEnd RunBatch(BatchPlan& plan, const BatchSettings& settings, ProgressDisplay& progress);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_BATCH_BATCH_RUNNER_H_
