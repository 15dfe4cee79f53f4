// The answer rows of one question: the student's answer, the standard answer
// and the analysis, decrypted, in the layout its type code asks for.
#include <algorithm>
#include <array>

#include "data/recordset.h"
#include "render/error_prefixes.h"
#include "render/html_text.h"
#include "render/paper_renderers.h"
#include "render/rtf_to_text.h"
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

std::string RenderAnswerRows(const RenderContext& context, std::int16_t question_no) {
  return Reported(context.errors, prefix::kAnswerRows, [&]() -> std::string {
    const std::string number = std::to_string(question_no);
    Recordset rs;
    rs.Open(
        "select top 1 tbl_AnalysisPaper.*,tbl_account.I_RECNO from "
        "tbl_AnalysisPaper,tbl_account where tbl_account.I_QuestionNo "
        "=tbl_AnalysisPaper.I_QuestionNo and tbl_AnalysisPaper.I_QuestionNo= " +
            number,
        context.analysis_conn, 2, 4, -1);
    if (rs.Eof()) throw Error("答案库中没有第 " + number + " 题的作答记录");

    // The key is made for every question, before the type code is looked at.
    Cipher& cipher = context.RequireCipher();
    std::string key =
        cipher.zqEncryptString(rs.Field("I_QuestionNo").ToText("I_QuestionNo"), context.student_id);
    const std::int16_t type = rs.Field("I_TypeID").ToInt16("I_TypeID");
    const bool text_layout =
        std::find(kTextLayouts.begin(), kTextLayouts.end(), type) != kTextLayouts.end();
    if (type != kChoiceLayout && !text_layout) return "";

    // Decrypts a column with the per-question key or with I_RECNO.
    const auto decrypt = [&](const char* column, bool with_record_key) {
      const std::string stored = rs.Field(column).ToText(column);
      if (!with_record_key) return cipher.zqDecryptString(stored, key);
      std::string record_key = rs.Field("I_RECNO").ToText("I_RECNO");
      return cipher.zqDecryptString(stored, record_key);
    };
    const auto null = [&](const char* column) { return rs.Field(column).IsNull(); };
    const auto as_text = [](const std::string& rtf) {
      return PlainTextToHtml(RtfToPlainText(rtf));
    };
    const bool fundamentals = context.IsFundamentals();

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
