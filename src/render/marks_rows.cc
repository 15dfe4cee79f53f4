// The marks a question's table and a section heading show when marks are on.
#include <optional>

#include "render/question_result.h"
#include "util/error.h"
#include "util/html_text.h"
#include "util/score_total.h"

namespace generatesheet {

namespace {

constexpr char kMissing[] = "—";

// The verdict in symbol and words, with a class to style it by.
std::string VerdictSpan(Verdict verdict) {
  switch (verdict) {
    case Verdict::kCorrect:
      return "<span class='verdict correct'>✔ 正确</span>";
    case Verdict::kPartial:
      return "<span class='verdict partial'>◐ 部分得分</span>";
    case Verdict::kWrong:
      return "<span class='verdict wrong'>✘ 错误</span>";
    case Verdict::kUnanswered:
      return "<span class='verdict unanswered'>○ 未作答</span>";
    case Verdict::kUnknown:
      break;
  }
  return std::string("<span class='verdict unknown'>") + kMissing + "</span>";
}

std::string Shown(const std::string& score) { return score.empty() ? kMissing : EscapeHtml(score); }

// The exact sum of one kind of score; nullopt when any is unknown or the
// sum leaves the range it is kept in.
std::optional<std::string> Sum(const std::vector<QuestionResult>& section,
                               std::string QuestionResult::*score) {
  ScoreTotal total;
  try {
    for (const QuestionResult& r : section) {
      if ((r.*score).empty()) return std::nullopt;
      total.Add(r.*score, std::to_string(r.number));
    }
  } catch (const Error&) {
    return std::nullopt;
  }
  return total.ToString();
}

}  // namespace

std::string MarksRow(const QuestionResult& result) {
  return "<tr><td class='marks'>得分：" + Shown(result.obtained) + " / " + Shown(result.full) +
         " " + VerdictSpan(result.verdict) + "</td></tr>";
}

std::string SectionScore(const std::vector<QuestionResult>& section) {
  const std::optional<std::string> obtained = Sum(section, &QuestionResult::obtained);
  const std::optional<std::string> full = Sum(section, &QuestionResult::full);
  return "<span class='sectionScore'>本题得分 " + obtained.value_or(kMissing) + " / " +
         full.value_or(kMissing) + "</span>";
}

}  // namespace generatesheet
