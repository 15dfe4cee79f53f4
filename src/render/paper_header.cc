// The paper header: the student's identity, the full marks and the score.
#include <exception>

#include "data/recordset.h"
#include "render/error_prefixes.h"
#include "render/incomplete_notice.h"
#include "render/paper_renderers.h"
#include "util/error.h"
#include "util/html_text.h"
#include "util/score_total.h"

namespace generatesheet {

namespace {

// The first score is the first value only the student's number unlocks:
// when it does not open, the number is the likely cause.
std::string DecryptScore(const RenderContext& context, const std::string& stored,
                         const std::string& key, const std::string& question_no, bool first) {
  try {
    return context.RequireCipher().DecryptValue(stored, key);
  } catch (const Error&) {
    if (!first) throw;
    throw RunCauseError(
        FailureKind::kStudentMismatch, "",
        "学号“" + context.student_id + "”与此答卷包不符：第 " + question_no +
            " 题的得分无法用这个学号解密（学号无误时，则是答卷包的数据不是用此密钥加密的）",
        std::string(AdviceFor(Remedy::kStudentNumber)));
  }
}

}  // namespace

std::string RenderPaperHeader(const RenderContext& context) {
  return Reported(context.errors, prefix::kPaperHeader, [&] {
    std::string header = "<div class='paperTitle'>学号：" + EscapeHtml(context.student_id) +
                         "&nbsp;&nbsp;姓名：" + EscapeHtml(context.student_name) +
                         "&nbsp;&nbsp;科目：" + EscapeHtml(context.subject);
    Connection& connection = context.analysis_conn;
    connection.Open();  // with the string set beforehand
    Recordset rs;
    rs.Open("select * from tbl_Account", connection);
    ScoreTotal total;
    // With marks on, a failing row does not stop the walk, so every other
    // question still gets its mark; the header fails all the same.
    const bool read_all = context.results != nullptr && context.results->marks();
    std::exception_ptr first_failure;
    for (size_t row = 0; !rs.Eof(); rs.MoveNext(), ++row) {
      std::string question_no;
      try {
        question_no = rs.Field("I_QuestionNo").ToText("I_QuestionNo");
        const std::string key =
            context.RequireCipher().DeriveQuestionKey(question_no, context.student_id);
        const std::string stored = rs.Field("S_GetScore").ToText("S_GetScore");
        const std::string score = DecryptScore(context, stored, key, question_no, row == 0);
        if (context.results) context.results->NoteObtained(question_no, {score, ""});
        total.Add(score, question_no);
      } catch (const std::exception& e) {
        if (context.results && !question_no.empty()) {
          context.results->NoteObtained(question_no, {std::nullopt, e.what()});
        }
        if (!read_all) throw;
        if (!first_failure) first_failure = std::current_exception();
      }
    }
    if (first_failure) std::rethrow_exception(first_failure);
    return header + "&nbsp;&nbsp;试卷总分：100&nbsp;&nbsp;考生得分：" + total.ToString() + "</div>";
  });
}

}  // namespace generatesheet
