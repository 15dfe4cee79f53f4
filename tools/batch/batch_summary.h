// What a batch keeps for the class summary: each student's results beside
// the student's page (written by the worker right after the run), and the
// summary files built from them once every row is done.
#ifndef GENERATESHEET_TOOLS_BATCH_BATCH_SUMMARY_H_
#define GENERATESHEET_TOOLS_BATCH_BATCH_SUMMARY_H_

#include <string>
#include <vector>

#include "generatesheet/question_result.h"
#include "tools/batch/batch_plan.h"
#include "tools/job/sheet_job.h"
#include "tools/job/student_record.h"
#include "tools/summary/class_summary.h"

namespace generatesheet::cli {

// The record of one run: `page_path` is where the page is (or would be).
// It names the row's package as FileIdentity does.
StudentRecord RecordOfRun(const StudentJob& job, const JobOutcome& outcome,
                          const std::string& page_path);

// The class summary of every row of the plan, from the records read back
// from the files beside the pages (a row skipped by --resume has its
// record from the run that wrote its page).  A row without a readable
// record counts as a page with errors, or as not written when it failed.
// A row a stopped batch left pending is listed as never run, and
// `not_run_note` says why in the summary's note ("批量生成被中断，用
// --resume 继续"; a general one when empty).  A row refused for another's
// file is left out when an earlier row is of the same student (number,
// name and subject), so each student is listed once.  Up to `readers`
// threads read the records.
ClassSummary BatchSummary(const BatchPlan& plan, unsigned readers,
                          const std::string& not_run_note = "");

// Turns the record of `row`, whose page a later step found wanting (its PDF
// failed), into one of a page with errors; when the record cannot be
// rewritten, the row's message says so as well.
void MarkRecordWithErrors(RowResult& row);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_BATCH_BATCH_SUMMARY_H_
