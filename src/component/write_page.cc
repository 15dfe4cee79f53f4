// Hands rendering what it needs from this object and keeps where the page
// went.
#include "component/create_html_impl.h"
#include "render/page_assembly.h"

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
                             {.template_path = template_path,
                              .html_paper_path = html_paper_path,
                              .zip_paper_name = zip_paper_name,
                              .bak_data_path = bak_data_path,
                              .student_title = student_title},
                             notice);
  results = collector.Take();
  result_sections = collector.TakeSections();
  run.questions = context.questions_rendered;
}

}  // namespace generatesheet
