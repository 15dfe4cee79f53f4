// SingleChoose and LunShu: one table per tbl_title row of a section, with
// the question's number and text, then (for choice questions) the options,
// then the answer rows.
#include "component/create_html_impl.h"
#include "component/error_prefixes.h"
#include "data/recordset.h"
#include "data/sql_literal.h"
#include "render/html_text.h"

namespace generatesheet {

// The fundamentals bank holds numeric type ids, so its value goes in
// unquoted, and must then be an integer; every other value is quoted.
std::string CreateHtml::Impl::TitleQuery(const std::string& column_name,
                                         const std::string& column_value) {
  const std::string literal =
      subject == kFundamentalsSubject ? SqlInteger(column_value) : SqlQuoted(column_value);
  return "select * from tbl_title where " + column_name + " = " + literal +
         " order by I_QuestionNo";
}

std::string CreateHtml::Impl::QuestionTable(const Recordset& rs, const char* table_class,
                                            const char* table_end, bool with_options) {
  const Value& number = rs.Field("I_QuestionNo");
  const std::string title = RtfToText(rs.Field("M_Title").ToText("M_Title"));
  const std::int16_t question_no = number.ToInt16("I_QuestionNo");
  std::string table = std::string("<table class='") + table_class + "'><tr><td>" +
                      number.ToText("I_QuestionNo") + "、" + PlainTextToHtml(title) + "</td></tr>";
  if (with_options) table += GetSelectOption(question_no);
  table += GetAnswerAndAnalysis(question_no);
  return table + table_end;
}

std::string CreateHtml::Impl::RenderQuestions(const char* table_class, const char* table_end,
                                              bool with_options, const std::string& column_name,
                                              const std::string& column_value) {
  Recordset rs;
  rs.Open(TitleQuery(column_name, column_value), *PbaseConn(), 2, 4, -1);
  std::string out;
  for (; !rs.Eof(); rs.MoveNext()) out += QuestionTable(rs, table_class, table_end, with_options);
  return out;
}

std::string CreateHtml::Impl::SingleChoose(const std::string& column_name,
                                           const std::string& column_value) {
  return Reported(prefix::kSingleChoose, [&] {
    return RenderQuestions("singleSelect", "</table>", true, column_name, column_value);
  });
}

std::string CreateHtml::Impl::LunShu(const std::string& column_name,
                                     const std::string& column_value) {
  return Reported(prefix::kLunShu, [&] {
    return RenderQuestions("operator", " </table>", false, column_name, column_value);
  });
}

}  // namespace generatesheet
