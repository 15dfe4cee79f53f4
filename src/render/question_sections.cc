// Choice and essay sections: one table per tbl_title row of a section, with
// the question's number and text, then (for choice questions) the options,
// then the answer rows.
#include "data/recordset.h"
#include "data/sql_literal.h"
#include "render/error_prefixes.h"
#include "render/paper_renderers.h"
#include "rtf/rtf_to_text.h"
#include "util/html_text.h"

namespace generatesheet {

namespace {

// The fundamentals bank holds numeric type ids, so its value goes in
// unquoted, and must then be an integer; every other value is quoted.
std::string TitleQuery(const RenderContext& context, const std::string& column_name,
                       const std::string& column_value) {
  const std::string literal =
      context.IsFundamentals() ? SqlInteger(column_value) : SqlQuoted(column_value);
  return "select * from tbl_title where " + column_name + " = " + literal +
         " order by I_QuestionNo";
}

void RenderQuestions(const RenderContext& context, const char* table_class, const char* table_end,
                     bool with_options, const std::string& column_name,
                     const std::string& column_value, std::string& out) {
  Recordset rs;
  rs.Open(TitleQuery(context, column_name, column_value), context.pbase_conn);
  for (; !rs.Eof(); rs.MoveNext()) {
    AppendQuestionTable(context, rs, table_class, table_end, with_options, out);
  }
}

}  // namespace

void AppendQuestionTable(const RenderContext& context, const Recordset& rs, const char* table_class,
                         const char* table_end, bool with_options, std::string& out) {
  const Value& number = rs.Field("I_QuestionNo");
  const std::string title = RtfToPlainText(rs.Field("M_Title").ToText("M_Title"));
  const std::int16_t question_no = number.ToInt16("I_QuestionNo");
  ++context.questions_rendered;
  out.append("<table class='")
      .append(table_class)
      .append("'><tr><td>")
      .append(number.ToText("I_QuestionNo"))
      .append("、")
      .append(PlainTextToHtml(title))
      .append("</td></tr>");
  if (context.results) context.results->BeginQuestion(question_no, title);
  if (with_options) out += RenderChoiceOptions(context, question_no);
  out += RenderAnswerRows(context, question_no);
  if (context.results) out += context.results->FinishQuestion(context.errors);
  out += table_end;
}

void RenderChoiceSection(const RenderContext& context, const std::string& column_name,
                         const std::string& column_value, std::string& out) {
  ReportedAppend(context.errors, prefix::kChoiceSection, out, [&] {
    RenderQuestions(context, "singleSelect", "</table>", true, column_name, column_value, out);
  });
}

void RenderEssaySection(const RenderContext& context, const std::string& column_name,
                        const std::string& column_value, std::string& out) {
  ReportedAppend(context.errors, prefix::kEssaySection, out, [&] {
    RenderQuestions(context, "operator", " </table>", false, column_name, column_value, out);
  });
}

}  // namespace generatesheet
