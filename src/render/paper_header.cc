// The paper header: the student's identity, the full marks and the score.
#include "data/recordset.h"
#include "render/error_prefixes.h"
#include "render/html_text.h"
#include "render/paper_renderers.h"
#include "render/score_total.h"

namespace generatesheet {

std::string RenderPaperHeader(const RenderContext& context) {
  return Reported(context.errors, prefix::kPaperHeader, [&] {
    std::string header = "<div class='paperTitle'>学号：" + EscapeHtml(context.student_id) +
                         "&nbsp;&nbsp;姓名：" + EscapeHtml(context.student_name) +
                         "&nbsp;&nbsp;科目：" + EscapeHtml(context.subject);
    Connection& connection = context.analysis_conn;
    connection.Open("", "", "", -1);
    Recordset rs;
    rs.Open("select * from tbl_Account", connection, 2, 4, -1);
    ScoreTotal total;
    while (!rs.Eof()) {
      const std::string question_no = rs.Field("I_QuestionNo").ToText("I_QuestionNo");
      std::string key = context.RequireCipher().zqEncryptString(question_no, context.student_id);
      const std::string stored = rs.Field("S_GetScore").ToText("S_GetScore");
      total.Add(context.RequireCipher().zqDecryptString(stored, key), question_no);
      rs.MoveNext();
    }
    return header + "&nbsp;&nbsp;试卷总分：100&nbsp;&nbsp;考生得分：" + total.ToString() + "</div>";
  });
}

}  // namespace generatesheet
