#include "tools/summary/student_score.h"

#include <charconv>

#include "util/error.h"
#include "util/score_total.h"

namespace generatesheet::cli {

namespace {

// Exact sum of one kind of score over a student's results; unknown ("")
// when a score is, or when the sum leaves the range it is kept in.
std::string ExactSum(const StudentRecord& record, std::string QuestionResult::*score) {
  if (record.results.empty()) return "";
  ScoreTotal total;
  try {
    for (const QuestionResult& r : record.results) {
      if ((r.*score).empty()) return "";
      total.Add(r.*score, std::to_string(r.number));
    }
  } catch (const Error&) {
    return "";
  }
  return total.ToString();
}

}  // namespace

std::string StudentScore(const StudentRecord& record) {
  return ExactSum(record, &QuestionResult::obtained);
}

std::string FullMarks(const StudentRecord& record) {
  return ExactSum(record, &QuestionResult::full);
}

std::optional<double> DecimalValue(const std::string& text) {
  if (text.empty()) return std::nullopt;
  double value = 0;
  const char* begin = text.data() + (text.starts_with('+') ? 1 : 0);
  const auto [end, ec] = std::from_chars(begin, text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string ShortestDecimal(double value) {
  char text[64];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  return ec == std::errc() ? std::string(text, end) : std::string();
}

}  // namespace generatesheet::cli
