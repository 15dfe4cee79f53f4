#include "render/incomplete_notice.h"

#include "util/html_text.h"

namespace generatesheet {

namespace {

constexpr char kOpen[] =
    "<div class='incomplete' role='alert' style='margin:0 0 1em;padding:0.6em 0.8em;"
    "border:2px solid #c00;color:#c00;background:#fff5f5;font-weight:bold'>此页面不完整：";

}  // namespace

std::string_view AdviceFor(Remedy remedy) {
  for (const RemedyAdvice& row : kRemedyAdvice) {
    if (row.remedy == remedy) return row.advice;
  }
  return AdviceFor(Remedy::kReportThePart);
}

std::string IncompleteNoticeHtml(std::string_view cause, std::string_view advice) {
  std::string html = kOpen + EscapeHtml(cause);
  if (!cause.ends_with("。")) html += "。";
  html += EscapeHtml(advice);
  if (!advice.empty() && !advice.ends_with("。")) html += "。";
  return html + "</div>";
}

}  // namespace generatesheet
