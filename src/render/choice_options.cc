// GetSelectOption: the lettered options of one choice question as one row.
#include "component/create_html_impl.h"
#include "component/error_prefixes.h"
#include "data/recordset.h"
#include "render/html_text.h"

namespace generatesheet {

std::string CreateHtml::Impl::GetSelectOption(std::int16_t question_no) {
  return Reported(prefix::kGetSelectOption, [&] {
    Recordset rs;
    rs.Open("select * from tbl_ChoiceVice where I_QuestionNo = " + std::to_string(question_no) +
                " order by C_ChoiceAnswer",
            *PbaseConn(), 2, 4, -1);
    std::string row = "<tr><td><ul>";
    for (; !rs.Eof(); rs.MoveNext()) {
      // A Null letter adds nothing; a Null text is an error.
      const Value& letter = rs.Field("C_ChoiceAnswer");
      const std::string text = RtfToText(rs.Field("M_AnswerCont").ToText("M_AnswerCont"));
      row += "<li>" + (letter.IsNull() ? "" : EscapeHtml(letter.ToText())) + "、" +
             PlainTextToHtml(text) + "</li>";
    }
    return row + "</ul></td></tr>";
  });
}

}  // namespace generatesheet
