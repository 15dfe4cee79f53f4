#include "render/result_collector.h"

#include "render/error_prefixes.h"
#include "render/text_helpers.h"

namespace generatesheet {

namespace {

// Long enough to tell questions apart, short enough for a table's cell.
constexpr std::size_t kQuestionLineCharacters = 40;

}  // namespace

void ResultCollector::NoteObtained(const std::string& question_no, ScoreReading reading) {
  obtained_[question_no] = std::move(reading);
}

void ResultCollector::BeginSection(QuestionFamily family, std::string heading) {
  family_ = family;
  heading_ = std::move(heading);
  section_start_ = results_.size();
}

void ResultCollector::DropSection() {
  results_.resize(section_start_);
  sections_.resize(section_start_);
  texts_.resize(section_start_);
  in_question_ = false;
}

std::string ResultCollector::SectionScore() const {
  return generatesheet::SectionScore(std::vector<QuestionResult>(
      results_.begin() + static_cast<std::ptrdiff_t>(section_start_), results_.end()));
}

void ResultCollector::BeginQuestion(int number, const std::string& text) {
  QuestionResult result;
  result.number = number;
  result.family = family_;
  results_.push_back(std::move(result));
  sections_.push_back(heading_);
  texts_.push_back(FirstLineOf(text, kQuestionLineCharacters));
  in_question_ = true;
  answer_read_ = false;
  full_ = {};
}

QuestionResult* ResultCollector::Current() { return in_question_ ? &results_.back() : nullptr; }

std::string ResultCollector::FinishQuestion(ErrorSink& errors) {
  QuestionResult& result = results_.back();
  in_question_ = false;
  const std::string number = std::to_string(result.number);
  const auto obtained = obtained_.find(number);
  ScoreReading got = obtained != obtained_.end()
                         ? obtained->second
                         : ScoreReading{std::nullopt, "第 " + number + " 题没有得分记录"};
  JudgeResult(got, full_, answer_read_, result);
  // Answer rows that failed have reported their failure themselves.
  if (marks_ && answer_read_ && !result.error.empty()) {
    errors.Report({prefix::kAnswerRows, result.error});
  }
  if (!answer_read_ && result.error.empty()) {
    result.error = "第 " + number + " 题的作答记录未能读出";
  }
  return marks_ ? MarksRow(result) : "";
}

}  // namespace generatesheet
