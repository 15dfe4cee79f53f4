#include "tools/batch/batch_class_pdf.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "tools/batch/batch_summary.h"
#include "tools/job/output_files.h"
#include "tools/pdf/class_pdf.h"
#include "util/html_text.h"

namespace generatesheet::cli {

namespace {

struct LeftOutRow {
  const RowResult* row;
  std::string why;
};

// Why a row's page is not in the class PDF, by its status; "" when it may be.
std::string NotCompleteBecause(const RowResult& r) {
  switch (r.status) {
    case RowStatus::kWritten:
    case RowStatus::kSkipped:
      return "";
    case RowStatus::kWithErrors:
      return "页面有错误：" + r.message;
    case RowStatus::kFailed:
      return "页面未写出：" + r.message;
    case RowStatus::kPending:
      break;
  }
  return r.message.empty() ? "未处理" : r.message;
}

// The first page: who is left out and why.
std::string LeftOutPage(const std::vector<LeftOutRow>& left_out, size_t included) {
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>未收入本文件的考生</title>\n<style>\n"
      "  @page { size: A4; margin: 18mm 14mm 16mm; }\n"
      "  body { font: 11pt/1.6 \"Noto Sans CJK SC\", \"Source Han Sans SC\", sans-serif; }\n"
      "  h1 { font-size: 15pt; }\n"
      "  table { border-collapse: collapse; width: 100%; }\n"
      "  th, td { border: 1px solid #888; padding: 3pt 5pt; text-align: left;"
      " vertical-align: top; }\n"
      "  th, td:not(.why) { white-space: nowrap; }\n"
      "  td.why { word-break: break-all; }\n"
      "</style>\n</head>\n<body>\n<h1>未收入本文件的考生（" +
      std::to_string(left_out.size()) + " 名）</h1>\n<p>本文件收入页面完整的 " +
      std::to_string(included) +
      " 名考生；以下考生的页面不完整或没有 PDF，未收入：</p>\n"
      "<table>\n<thead><tr><th>清单行</th><th>学号</th><th>姓名</th><th>原因</th></tr></thead>\n"
      "<tbody>\n";
  for (const LeftOutRow& l : left_out) {
    const StudentJob& job = l.row->row.job;
    html += "<tr><td>" + std::to_string(l.row->row.line) + "</td><td>" +
            EscapeHtml(job.student_id) + "</td><td>" + EscapeHtml(job.student_name) +
            "</td><td class=\"why\">" + EscapeHtml(l.why) + "</td></tr>\n";
  }
  return html + "</tbody>\n</table>\n</body>\n</html>\n";
}

}  // namespace

void WriteBatchClassPdf(BatchPlan& plan, const std::string& page_prefix, bool odd_starts,
                        PdfPrinter& printer) {
  ClassPdf pdf;
  std::vector<LeftOutRow> left_out;
  size_t included = 0;
  for (RowResult& r : plan.rows) {
    std::string why = NotCompleteBecause(r);
    const std::string student_pdf = PdfPathFor(r.page_path);
    std::error_code ec;
    if (why.empty() && (!std::filesystem::is_regular_file(student_pdf, ec) ||
                        !PageIsNewerThanPackage(student_pdf, r.page_path))) {
      why = "没有与页面同时或更晚生成的 PDF：" + student_pdf;
    }
    if (why.empty())
      why = pdf.Add(student_pdf, r.row.job.student_id + " " + r.row.job.student_name);
    if (why.empty()) {
      ++included;
      continue;
    }
    if (NotCompleteBecause(r).empty()) {
      // The student's PDF fails them: a page without its PDF has errors.
      r.status = RowStatus::kWithErrors;
      r.message = why;
      MarkRecordWithErrors(r);
    }
    left_out.push_back({&r, why});
  }
  const std::string front =
      left_out.empty() ? "" : printer.PrintDocument(LeftOutPage(left_out, included));
  pdf.Write(page_prefix + kClassPdfName, front, odd_starts);
}

}  // namespace generatesheet::cli
