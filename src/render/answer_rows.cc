// The answer rows of one question: the student's answer, the standard answer
// and the analysis, decrypted, in the layout its type code asks for.
#include <algorithm>
#include <array>
#include <optional>

#include "data/recordset.h"
#include "render/error_prefixes.h"
#include "render/paper_renderers.h"
#include "render/question_result.h"
#include "render/text_helpers.h"
#include "rtf/rtf_to_text.h"
#include "util/error.h"
#include "util/html_text.h"

namespace generatesheet {

namespace {

constexpr char kNone[] = "无";
constexpr std::int16_t kChoiceLayout = 1;
constexpr std::array<std::int16_t, 7> kTextLayouts = {4, 5, 6, 8, 10, 13, 30};

std::string Row(const char* label, const std::string& text) {
  return std::string("<tr><td class='bottom'>") + label + text + "</td></tr>";
}

// The full marks of the question, for its result.  Looked up without
// failing: the rows themselves need S_Score only on the text layout's
// standard-answer path, so a database without it must not cost the rows.
ScoreReading FullMarks(const Recordset& rs, int number) {
  const std::string question = "第 " + std::to_string(number) + " 题的满分（S_Score）";
  if (!rs.HasField("S_Score")) {
    return {std::nullopt, question + "无法读取：答案库的 tbl_AnalysisPaper 表中没有 S_Score 字段"};
  }
  const Value& full = rs.Field("S_Score");
  if (full.IsNull()) return {std::nullopt, question + "为空"};
  return {full.ToText("S_Score"), ""};
}

// What the question's result needs from its answer row: the answers as
// shown and the full marks, read without failing the rows.
void NoteAnswers(const RenderContext& context, const Recordset& rs, bool choice,
                 const std::optional<std::string>& student,
                 const std::optional<std::string>& standard) {
  QuestionResult* result = context.results ? context.results->Current() : nullptr;
  if (result == nullptr) return;
  result->choice = choice;
  result->student_answered = student && student->find_first_not_of(" \t\r\n") != std::string::npos;
  result->student_answer = student.value_or("");
  result->standard_answer = standard.value_or("");
  context.results->NoteFull(FullMarks(rs, result->number));
  context.results->NoteAnswerRead();
}

}  // namespace

std::string RenderAnswerRows(const RenderContext& context, std::int16_t question_no) {
  return Reported(context.errors, prefix::kAnswerRows, [&]() -> std::string {
    const std::string number = std::to_string(question_no);
    Recordset rs;
    rs.Open(
        "select top 1 tbl_AnalysisPaper.*,tbl_account.I_RECNO from "
        "tbl_AnalysisPaper,tbl_account where tbl_account.I_QuestionNo "
        "=tbl_AnalysisPaper.I_QuestionNo and tbl_AnalysisPaper.I_QuestionNo= " +
            number,
        context.analysis_conn);
    if (rs.Eof()) throw Error("答案库中没有第 " + number + " 题的作答记录");

    // The key is made for every question, before the type code is looked at.
    Cipher& cipher = context.RequireCipher();
    const std::string key = cipher.DeriveQuestionKey(
        rs.Field("I_QuestionNo").ToText("I_QuestionNo"), context.student_id);
    const std::int16_t type = rs.Field("I_TypeID").ToInt16("I_TypeID");
    const bool text_layout =
        std::find(kTextLayouts.begin(), kTextLayouts.end(), type) != kTextLayouts.end();
    if (type != kChoiceLayout && !text_layout) return "";

    // Decrypts a column with the per-question key or with I_RECNO.
    const auto decrypt = [&](const char* column, bool with_record_key) {
      const std::string stored = rs.Field(column).ToText(column);
      if (!with_record_key) return cipher.DecryptValue(stored, key);
      return cipher.DecryptValue(stored, rs.Field("I_RECNO").ToText("I_RECNO"));
    };
    const auto null = [&](const char* column) { return rs.Field(column).IsNull(); };
    const bool fundamentals = context.IsFundamentals();
    const bool choice = type == kChoiceLayout;
    // The plain texts, std::nullopt where the page shows "无".
    const auto read = [&](const char* column, bool with_record_key) -> std::optional<std::string> {
      if (null(column)) return std::nullopt;
      const std::string plain = decrypt(column, with_record_key);
      return choice ? AnswerCodeToLetter(plain) : RtfToPlainText(plain);
    };
    const auto shown = [&](const std::optional<std::string>& plain) -> std::string {
      if (!plain) return kNone;
      return choice ? EscapeHtml(*plain) : PlainTextToHtml(*plain);
    };

    const std::optional<std::string> student = read("M_StudentAnswer", false);
    std::optional<std::string> standard;
    if (choice) {
      standard = read("M_TopicAns", true);
    } else if (!null("M_TopicAns")) {
      // The score is read on this path whatever the subject.
      const std::int16_t score = rs.Field("S_Score").ToInt16("S_Score");
      if (!(fundamentals && score > 1)) standard = read("M_TopicAns", true);
    }
    std::string analysis = kNone;
    if (!null("M_Analysis") && !(choice && fundamentals)) {
      analysis = PlainTextToHtml(RtfToPlainText(decrypt("M_Analysis", true)));
    }
    NoteAnswers(context, rs, choice, student, standard);

    if (choice) {
      return "<tr><td class='bottom'>考生答案：" + shown(student) + " &nbsp;&nbsp;标准答案：" +
             shown(standard) + "</td></tr>" + Row("试题解析：", analysis);
    }
    return Row("考生答案：", shown(student)) + Row("标准答案：", shown(standard)) +
           Row("试题解析：", analysis);
  });
}

}  // namespace generatesheet
