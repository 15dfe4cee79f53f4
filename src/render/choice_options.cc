// The lettered options of one choice question as one row.
#include "data/recordset.h"
#include "render/error_prefixes.h"
#include "render/paper_renderers.h"
#include "rtf/rtf_to_text.h"
#include "util/html_text.h"

namespace generatesheet {

std::string RenderChoiceOptions(const RenderContext& context, std::int16_t question_no) {
  return Reported(context.errors, prefix::kChoiceOptions, [&] {
    Recordset rs;
    rs.Open("select * from tbl_ChoiceVice where I_QuestionNo = " + std::to_string(question_no) +
                " order by C_ChoiceAnswer",
            context.pbase_conn);
    std::string row = "<tr><td><ul>";
    for (; !rs.Eof(); rs.MoveNext()) {
      // A Null letter adds nothing; a Null text is an error.
      const Value& letter = rs.Field("C_ChoiceAnswer");
      const std::string text = RtfToPlainText(rs.Field("M_AnswerCont").ToText("M_AnswerCont"));
      if (QuestionResult* result = context.results ? context.results->Current() : nullptr) {
        result->options.push_back(letter.IsNull() ? "" : letter.ToText());
      }
      row.append("<li>")
          .append(letter.IsNull() ? "" : EscapeHtml(letter.ToText()))
          .append("、")
          .append(PlainTextToHtml(text))
          .append("</li>");
    }
    row += "</ul></td></tr>";
    return row;
  });
}

}  // namespace generatesheet
