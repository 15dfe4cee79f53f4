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

std::string RenderQuestions(const RenderContext& context, const char* table_class,
                            const char* table_end, bool with_options,
                            const std::string& column_name, const std::string& column_value) {
  Recordset rs;
  rs.Open(TitleQuery(context, column_name, column_value), context.pbase_conn);
  std::string out;
  for (; !rs.Eof(); rs.MoveNext()) {
    out += RenderQuestionTable(context, rs, table_class, table_end, with_options);
  }
  return out;
}

}  // namespace

std::string RenderQuestionTable(const RenderContext& context, const Recordset& rs,
                                const char* table_class, const char* table_end, bool with_options) {
  const Value& number = rs.Field("I_QuestionNo");
  const std::string title = RtfToPlainText(rs.Field("M_Title").ToText("M_Title"));
  const std::int16_t question_no = number.ToInt16("I_QuestionNo");
  ++context.questions_rendered;
  std::string table = "<table class='";
  table.append(table_class)
      .append("'><tr><td>")
      .append(number.ToText("I_QuestionNo"))
      .append("、")
      .append(PlainTextToHtml(title))
      .append("</td></tr>");
  if (context.results) context.results->BeginQuestion(question_no);
  if (with_options) table += RenderChoiceOptions(context, question_no);
  table += RenderAnswerRows(context, question_no);
  if (context.results) table += context.results->FinishQuestion(context.errors);
  table += table_end;
  return table;
}

std::string RenderChoiceSection(const RenderContext& context, const std::string& column_name,
                                const std::string& column_value) {
  return Reported(context.errors, prefix::kChoiceSection, [&] {
    return RenderQuestions(context, "singleSelect", "</table>", true, column_name, column_value);
  });
}

std::string RenderEssaySection(const RenderContext& context, const std::string& column_name,
                               const std::string& column_value) {
  return Reported(context.errors, prefix::kEssaySection, [&] {
    return RenderQuestions(context, "operator", " </table>", false, column_name, column_value);
  });
}

}  // namespace generatesheet
