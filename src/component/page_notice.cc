// What a page that lacks parts says about it at the top of its content.
#include "component/create_html_impl.h"
#include "render/incomplete_notice.h"

namespace generatesheet {

// Told as the run's outcome tells it: the cause that explains the other
// failures; else the last failure, and a paper that showed no question.
std::string CreateHtml::Impl::IncompleteNotice(int questions_rendered) const {
  if (run.cause.kind != FailureKind::kNone) {
    return IncompleteNoticeHtml(
        run.cause.description, run.advice.empty() ? AdviceFor(Remedy::kReportThePart) : run.advice);
  }
  std::string cause;
  std::string_view advice = AdviceFor(Remedy::kReportThePart);
  if (run.failures > 0) cause = run.last.description;
  if (questions_rendered == 0) {
    const std::string note = NoQuestionNote(subject);
    cause = cause.empty() ? note : cause + "（" + note + "）";
    advice = AdviceFor(Remedy::kSubject);
  }
  return cause.empty() ? "" : IncompleteNoticeHtml(cause, advice);
}

}  // namespace generatesheet
