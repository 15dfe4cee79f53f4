// The per-question results of a run: names, verdicts and their JSON form.
#include "generatesheet/question_result.h"

#include <cstdio>

#include "render/question_result.h"
#include "util/error.h"
#include "util/score_total.h"
#include "util/utf8.h"

namespace generatesheet {

namespace {

// A JSON string; bytes that are not UTF-8 become U+FFFD, so the text is
// always valid JSON.
void AppendJsonString(std::string_view text, std::string* out) {
  *out += '"';
  for (size_t pos = 0; pos < text.size();) {
    char32_t c = 0;
    if (!NextCodePoint(text, &pos, &c)) c = kReplacementCharacter;
    switch (c) {
      case '"':
        *out += "\\\"";
        break;
      case '\\':
        *out += "\\\\";
        break;
      case '\n':
        *out += "\\n";
        break;
      case '\r':
        *out += "\\r";
        break;
      case '\t':
        *out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          *out += escaped;
        } else {
          AppendUtf8(c, out);
        }
    }
  }
  *out += '"';
}

void AppendJsonStringOrNull(std::string_view text, bool present, std::string* out) {
  if (present) {
    AppendJsonString(text, out);
  } else {
    *out += "null";
  }
}

void AppendError(const std::string& error, QuestionResult& result) {
  if (!result.error.empty()) result.error += "；";
  result.error += error;
}

// The score as an exact number, or nullopt with the reason noted.
std::optional<ScoreTotal> ReadScore(const std::optional<std::string>& text, const char* what,
                                    QuestionResult& result) {
  if (!text) return std::nullopt;
  try {
    ScoreTotal score;
    score.Add(*text, std::to_string(result.number), what);
    return score;
  } catch (const std::exception& e) {
    AppendError(e.what(), result);
    return std::nullopt;
  }
}

}  // namespace

const char* VerdictName(Verdict verdict) {
  switch (verdict) {
    case Verdict::kCorrect:
      return "correct";
    case Verdict::kPartial:
      return "partial";
    case Verdict::kWrong:
      return "wrong";
    case Verdict::kUnanswered:
      return "unanswered";
    case Verdict::kUnknown:
      break;
  }
  return "unknown";
}

const char* FamilyName(QuestionFamily family) {
  switch (family) {
    case QuestionFamily::kSingleChoice:
      return "single_choice";
    case QuestionFamily::kCompound:
      return "compound";
    case QuestionFamily::kEssay:
      break;
  }
  return "essay";
}

std::string ResultsToJson(const std::vector<QuestionResult>& results) {
  std::string out = "[";
  for (const QuestionResult& r : results) {
    if (out.size() > 1) out += ",";
    out += "{\"number\":" + std::to_string(r.number) + ",\"family\":\"" + FamilyName(r.family) +
           "\",\"choice\":" + (r.choice ? "true" : "false") + ",\"options\":[";
    for (size_t i = 0; i < r.options.size(); ++i) {
      if (i > 0) out += ",";
      AppendJsonString(r.options[i], &out);
    }
    out += "],\"student_answer\":";
    AppendJsonStringOrNull(r.student_answer, r.student_answered, &out);
    out += ",\"standard_answer\":";
    AppendJsonString(r.standard_answer, &out);
    out += ",\"obtained\":";
    AppendJsonStringOrNull(r.obtained, !r.obtained.empty(), &out);
    out += ",\"full\":";
    AppendJsonStringOrNull(r.full, !r.full.empty(), &out);
    out += ",\"verdict\":\"" + std::string(VerdictName(r.verdict)) + "\",\"error\":";
    AppendJsonStringOrNull(r.error, !r.error.empty(), &out);
    out += "}";
  }
  return out + "]";
}

std::string TextsToJson(const std::vector<std::string>& texts) {
  std::string out = "[";
  for (const std::string& text : texts) {
    if (out.size() > 1) out += ",";
    AppendJsonString(text, &out);
  }
  return out + "]";
}

void JudgeResult(const ScoreReading& obtained, const ScoreReading& full, bool answer_read,
                 QuestionResult& result) {
  if (!obtained.error.empty()) AppendError(obtained.error, result);
  if (!full.error.empty()) AppendError(full.error, result);
  const std::optional<ScoreTotal> got = ReadScore(obtained.text, "得分", result);
  const std::optional<ScoreTotal> out_of = ReadScore(full.text, "满分（S_Score）", result);
  if (got) result.obtained = got->ToString();
  if (out_of) result.full = out_of->ToString();

  result.verdict = Verdict::kUnknown;
  if (!answer_read) return;
  if (!result.student_answered) {
    result.verdict = Verdict::kUnanswered;
    return;
  }
  if (!got || !out_of) return;
  const ScoreTotal zero;
  if (*out_of <= zero || *got < zero || *got > *out_of) {
    AppendError("第 " + std::to_string(result.number) + " 题的得分 " + result.obtained +
                    " 不在 0 与满分 " + result.full + " 之间",
                result);
    return;
  }
  if (*got == *out_of) {
    result.verdict = Verdict::kCorrect;
  } else {
    result.verdict = *got == zero ? Verdict::kWrong : Verdict::kPartial;
  }
}

}  // namespace generatesheet
