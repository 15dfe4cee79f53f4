// What a page that lacks parts says about it at the top of its content.
#include <string_view>

#include "component/create_html_impl.h"
#include "component/error_prefixes.h"
#include "render/incomplete_notice.h"

namespace generatesheet {

namespace {

// For a part that failed for a reason of its own.
constexpr char kPartAdvice[] =
    "页面中缺少无法读取的部分，请勿当作完整的试卷使用；请将此说明转告生成页面的人员，处理后重新生"
    "成";
constexpr char kSubjectAdvice[] = "改正后请重新生成此页面";

// A report without the fixed prefix of the procedure that made it: the
// reader of the page needs the reason, not the procedure's name.
std::string_view Description(std::string_view report) {
  for (const std::string_view prefix :
       {prefix::kGenerateSheet, prefix::kInitAnalysisConn, prefix::kInitPbaseConn, prefix::kPage,
        prefix::kPaperHeader, prefix::kSections, prefix::kChoiceSection, prefix::kEssaySection,
        prefix::kCompoundSection, prefix::kPassage, prefix::kChoiceOptions, prefix::kAnswerRows}) {
    if (report.starts_with(prefix)) return report.substr(prefix.size());
  }
  return report;
}

}  // namespace

// Told as the run's outcome tells it: the cause that explains the other
// failures; else the last failure, and a paper that showed no question.
std::string CreateHtml::Impl::IncompleteNotice(int questions_rendered) const {
  if (run.cause.kind != FailureKind::kNone) {
    return IncompleteNoticeHtml(Description(run.cause.message),
                                run.advice.empty() ? kPartAdvice : run.advice);
  }
  std::string cause;
  std::string_view advice = kPartAdvice;
  if (run.failures > 0) cause = Description(err_msg);
  if (questions_rendered == 0) {
    const std::string note = NoQuestionNote(subject);
    cause = cause.empty() ? note : cause + "（" + note + "）";
    advice = kSubjectAdvice;
  }
  return cause.empty() ? "" : IncompleteNoticeHtml(cause, advice);
}

}  // namespace generatesheet
