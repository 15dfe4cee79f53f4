// GetAnswerAndAnalysis: the student's answer, the standard answer and the
// analysis of one question, decrypted, in the layout its type code asks for.
#include <algorithm>
#include <array>

#include "component/create_html_impl.h"
#include "component/error_prefixes.h"
#include "data/recordset.h"
#include "render/html_text.h"
#include "render/text_helpers.h"
#include "util/error.h"

namespace generatesheet {

namespace {

constexpr char kNone[] = "无";
constexpr std::int16_t kChoiceLayout = 1;
constexpr std::array<std::int16_t, 7> kTextLayouts = {4, 5, 6, 8, 10, 13, 30};

std::string Row(const char* label, const std::string& text) {
  return std::string("<tr><td class='bottom'>") + label + text + "</td></tr>";
}

}  // namespace

std::string CreateHtml::Impl::GetAnswerAndAnalysis(std::int16_t question_no) {
  return Reported(prefix::kGetAnswerAndAnalysis, [&]() -> std::string {
    const std::string number = std::to_string(question_no);
    Recordset rs;
    rs.Open(
        "select top 1 tbl_AnalysisPaper.*,tbl_account.I_RECNO from "
        "tbl_AnalysisPaper,tbl_account where tbl_account.I_QuestionNo "
        "=tbl_AnalysisPaper.I_QuestionNo and tbl_AnalysisPaper.I_QuestionNo= " +
            number,
        *AnalysisConn(), 2, 4, -1);
    if (rs.Eof()) throw Error("答案库中没有第 " + number + " 题的作答记录");

    // The key is made for every question, before the type code is looked at.
    std::string key = RequireCipher().zqEncryptString(
        rs.Field("I_QuestionNo").ToText("I_QuestionNo"), student_id);
    const std::int16_t type = rs.Field("I_TypeID").ToInt16("I_TypeID");
    const bool text_layout =
        std::find(kTextLayouts.begin(), kTextLayouts.end(), type) != kTextLayouts.end();
    if (type != kChoiceLayout && !text_layout) return "";

    // Decrypts a column with the per-question key or with I_RECNO.
    const auto decrypt = [&](const char* column, bool with_record_key) {
      const std::string stored = rs.Field(column).ToText(column);
      if (!with_record_key) return RequireCipher().zqDecryptString(stored, key);
      std::string record_key = rs.Field("I_RECNO").ToText("I_RECNO");
      return RequireCipher().zqDecryptString(stored, record_key);
    };
    const auto null = [&](const char* column) { return rs.Field(column).IsNull(); };
    const auto as_text = [&](const std::string& rtf) { return PlainTextToHtml(RtfToText(rtf)); };
    const bool fundamentals = subject == kFundamentalsSubject;

    if (type == kChoiceLayout) {
      const std::string student =
          null("M_StudentAnswer")
              ? kNone
              : EscapeHtml(AnswerCodeToLetter(decrypt("M_StudentAnswer", false)));
      const std::string standard =
          null("M_TopicAns") ? kNone : EscapeHtml(AnswerCodeToLetter(decrypt("M_TopicAns", true)));
      const std::string analysis =
          null("M_Analysis") || fundamentals ? kNone : as_text(decrypt("M_Analysis", true));
      return "<tr><td class='bottom'>考生答案：" + student + " &nbsp;&nbsp;标准答案：" + standard +
             "</td></tr>" + Row("试题解析：", analysis);
    }

    const std::string student =
        null("M_StudentAnswer") ? kNone : as_text(decrypt("M_StudentAnswer", false));
    std::string standard = kNone;
    if (!null("M_TopicAns")) {
      // The score is read on this path whatever the subject.
      const std::int16_t score = rs.Field("S_Score").ToInt16("S_Score");
      if (!(fundamentals && score > 1)) standard = as_text(decrypt("M_TopicAns", true));
    }
    const std::string analysis = null("M_Analysis") ? kNone : as_text(decrypt("M_Analysis", true));
    return Row("考生答案：", student) + Row("标准答案：", standard) + Row("试题解析：", analysis);
  });
}

}  // namespace generatesheet
