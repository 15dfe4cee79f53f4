#include "tools/batch_report.h"

#include <nlohmann/json.hpp>

#include "util/file_util.h"

namespace generatesheet::cli {

namespace {

const char* StatusName(RowStatus status) {
  switch (status) {
    case RowStatus::kWritten:
      return "written";
    case RowStatus::kSkipped:
      return "skipped";
    case RowStatus::kFailed:
      return "failed";
    case RowStatus::kPending:
      break;
  }
  return "pending";
}

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
  if (r.status == RowStatus::kFailed) {
    entry["page"] = nullptr;
    entry["error"] = r.message;
  } else {
    entry["page"] = r.page_path;
    entry["error"] = nullptr;
    if (!r.message.empty()) entry["warning"] = r.message;
  }
  return entry;
}

}  // namespace

BatchCounts CountResults(const BatchPlan& plan) {
  BatchCounts counts;
  for (const RowResult& r : plan.rows) {
    if (r.status == RowStatus::kWritten) {
      ++counts.written;
      if (!r.message.empty()) ++counts.with_gaps;
    } else if (r.status == RowStatus::kSkipped) {
      ++counts.skipped;
    } else {
      ++counts.failed;
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
  report["written"] = counts.written;
  report["skipped"] = counts.skipped;
  report["failed"] = counts.failed;
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
