// Gathers the per-question results while a paper is rendered, and gives
// the marks rows and section subtotals when marks are on.  The renderers
// note what they read anyway (the obtained scores in the header's walk, the
// options, the answers and the full marks); nothing is read a second time.
#ifndef GENERATESHEET_RENDER_RESULT_COLLECTOR_H_
#define GENERATESHEET_RENDER_RESULT_COLLECTOR_H_

#include <map>
#include <string>
#include <vector>

#include "generatesheet/question_result.h"
#include "render/question_result.h"
#include "util/error_sink.h"

namespace generatesheet {

class ResultCollector {
 public:
  explicit ResultCollector(bool marks) : marks_(marks) {}

  bool marks() const { return marks_; }

  // The obtained score of a question, from the header's walk of tbl_Account.
  void NoteObtained(const std::string& question_no, ScoreReading reading);

  // Sections: the results from BeginSection on belong to that section,
  // headed `heading` in plain text ("一、单选题").
  void BeginSection(QuestionFamily family, std::string heading);
  // Drops the section's results (its renderer failed and showed nothing).
  void DropSection();
  // "<span class='sectionScore'>本题得分 12 / 16</span>".
  std::string SectionScore() const;

  // One question's table, from BeginQuestion to FinishQuestion; `text` is
  // the question's text in plain form.
  void BeginQuestion(int number, const std::string& text);
  // The question being rendered; null outside a question.
  QuestionResult* Current();
  void NoteFull(ScoreReading reading) { full_ = std::move(reading); }
  void NoteAnswerRead() { answer_read_ = true; }
  // Draws the verdict.  With marks on, reports a missing or unreadable mark
  // to `errors` under the answer rows' prefix and returns the marks row;
  // else returns "".
  std::string FinishQuestion(ErrorSink& errors);

  std::vector<QuestionResult> Take() { return std::move(results_); }
  // The heading of each result's section, in the order of Take().
  std::vector<std::string> TakeSections() { return std::move(sections_); }
  // The first line of each result's question text, in the order of Take().
  std::vector<std::string> TakeTexts() { return std::move(texts_); }

 private:
  bool marks_;
  std::map<std::string, ScoreReading> obtained_;
  std::vector<QuestionResult> results_;
  std::vector<std::string> sections_;  // one per result
  std::vector<std::string> texts_;     // one per result
  std::string heading_;
  QuestionFamily family_ = QuestionFamily::kSingleChoice;
  size_t section_start_ = 0;
  bool in_question_ = false;
  bool answer_read_ = false;
  ScoreReading full_;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_RENDER_RESULT_COLLECTOR_H_
