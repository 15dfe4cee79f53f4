// How a run fills in the per-question results and shows marks on the page.
#ifndef GENERATESHEET_RENDER_QUESTION_RESULT_H_
#define GENERATESHEET_RENDER_QUESTION_RESULT_H_

#include <optional>
#include <string>
#include <vector>

#include "generatesheet/question_result.h"

namespace generatesheet {

// One score as read from a database: its text, or why there is none.
struct ScoreReading {
  std::optional<std::string> text;
  std::string error;
};

// Fills in result.obtained, result.full and result.verdict from the two
// scores.  `answer_read` is false when the student's answer could not be
// read.  Anything unknown or out of range leaves the verdict unknown and
// is added to result.error; a verdict is never guessed.
void JudgeResult(const ScoreReading& obtained, const ScoreReading& full, bool answer_read,
                 QuestionResult& result);

// The marks row of a question's table:
// "<tr><td class='marks'>得分：3 / 4 <span class='verdict correct'>✔ 正确</span></td></tr>".
std::string MarksRow(const QuestionResult& result);

// The subtotal a section heading carries:
// "<span class='sectionScore'>本题得分 12 / 16</span>".
std::string SectionScore(const std::vector<QuestionResult>& section);

// The texts as a JSON array of strings (bytes that are not UTF-8 become
// U+FFFD): the section headings of the results, for C hosts.
std::string TextsToJson(const std::vector<std::string>& texts);

}  // namespace generatesheet

#endif  // GENERATESHEET_RENDER_QUESTION_RESULT_H_
