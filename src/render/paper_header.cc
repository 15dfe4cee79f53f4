// GetPaperTotleInfo: the student's identity, the full marks and the score.
#include "component/create_html_impl.h"
#include "component/error_prefixes.h"
#include "data/recordset.h"
#include "render/html_text.h"
#include "render/score_total.h"

namespace generatesheet {

std::string CreateHtml::Impl::GetPaperTotleInfo() {
  return Reported(prefix::kGetPaperTotleInfo, [&] {
    std::string header = "<div class='paperTitle'>学号：" + EscapeHtml(student_id) +
                         "&nbsp;&nbsp;姓名：" + EscapeHtml(student_name) + "&nbsp;&nbsp;科目：" +
                         EscapeHtml(subject);
    Connection& connection = *AnalysisConn();
    connection.Open("", "", "", -1);
    Recordset rs;
    rs.Open("select * from tbl_Account", connection, 2, 4, -1);
    ScoreTotal total;
    while (!rs.Eof()) {
      const std::string question_no = rs.Field("I_QuestionNo").ToText("I_QuestionNo");
      std::string key = RequireCipher().zqEncryptString(question_no, student_id);
      const std::string stored = rs.Field("S_GetScore").ToText("S_GetScore");
      total.Add(RequireCipher().zqDecryptString(stored, key), question_no);
      rs.MoveNext();
    }
    return header + "&nbsp;&nbsp;试卷总分：100&nbsp;&nbsp;考生得分：" + total.ToString() + "</div>";
  });
}

}  // namespace generatesheet
