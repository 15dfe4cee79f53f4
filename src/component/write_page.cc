// Hands rendering what it needs from this object and keeps where the page
// went.
#include "component/create_html_impl.h"
#include "component/page_file.h"
#include "util/path.h"

namespace generatesheet {

void CreateHtml::Impl::WritePage() {
  ResultCollector collector(marks);
  const RenderContext context{
      .analysis_conn = *AnalysisConn(),
      .pbase_conn = *PbaseConn(),
      .cipher = cipher.get(),
      .student_id = student_id,
      .student_name = student_name,
      .subject = subject,
      .errors = *this,
      .results = &collector,
  };
  ContentNotice notice;
  if (incomplete_notice) notice = [&] { return IncompleteNotice(context.questions_rendered); };
  page_path = WritePaperPage(context,
                             {.template_path = NativePath(template_path),
                              .page_path = PagePathToWrite(),
                              .package_path = PackagePath(),
                              .student_title = student_title},
                             notice);
  results = collector.Take();
  result_sections = collector.TakeSections();
  result_texts = collector.TakeTexts();
  run.questions = context.questions_rendered;
}

}  // namespace generatesheet
