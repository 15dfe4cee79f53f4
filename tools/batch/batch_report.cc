#include "tools/batch/batch_report.h"

#include <nlohmann/json.hpp>

#include "util/file_util.h"

namespace generatesheet::cli {

namespace {

nlohmann::ordered_json RowJson(const RowResult& r) {
  nlohmann::ordered_json entry;
  entry["row"] = r.row.index;
  entry["line"] = r.row.line;
  entry["package_folder"] = r.row.job.package_folder;
  entry["zip_name"] = r.row.job.zip_name;
  entry["student_id"] = r.row.job.student_id;
  entry["student_name"] = r.row.job.student_name;
  entry["subject"] = r.row.job.subject;
  entry["status"] = StatusName(r.status);
  if (r.status == RowStatus::kFailed || r.status == RowStatus::kPending) {
    entry["page"] = nullptr;
    entry["error"] = r.message;
  } else {
    entry["page"] = r.page_path;
    entry["error"] =
        r.message.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(r.message);
  }
  return entry;
}

}  // namespace

const char* StatusName(RowStatus status) {
  switch (status) {
    case RowStatus::kWritten:
      return "complete";
    case RowStatus::kWithErrors:
      return "with_errors";
    case RowStatus::kSkipped:
      return "skipped";
    case RowStatus::kFailed:
      return "not_written";
    case RowStatus::kPending:
      break;
  }
  return "not_run";
}

BatchCounts CountResults(const BatchPlan& plan) {
  BatchCounts counts;
  for (const RowResult& r : plan.rows) {
    switch (r.status) {
      case RowStatus::kWritten:
        ++counts.complete;
        break;
      case RowStatus::kWithErrors:
        ++counts.with_errors;
        break;
      case RowStatus::kSkipped:
        ++counts.skipped;
        break;
      case RowStatus::kFailed:
        ++counts.not_written;
        break;
      case RowStatus::kPending:
        ++counts.not_run;
        break;
    }
  }
  return counts;
}

std::string BatchReportJson(const BatchPlan& plan, const std::string& manifest,
                            const Shard& shard) {
  const BatchCounts counts = CountResults(plan);
  nlohmann::ordered_json report;
  report["manifest"] = manifest;
  report["shard"] = shard.ToString();
  report["total"] = plan.rows.size();
  report["complete"] = counts.complete;
  report["with_errors"] = counts.with_errors;
  report["not_written"] = counts.not_written;
  report["skipped"] = counts.skipped;
  report["not_run"] = counts.not_run;
  report["students"] = nlohmann::ordered_json::array();
  for (const RowResult& r : plan.rows) report["students"].push_back(RowJson(r));
  // Invalid UTF-8 in a manifest or a message is replaced, not fatal.
  return report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

void WriteBatchReport(const std::string& path, const BatchPlan& plan, const std::string& manifest,
                      const Shard& shard) {
  WriteFileAtomically(path, BatchReportJson(plan, manifest, shard));
}

}  // namespace generatesheet::cli
