// What one run found for each question of the student's paper: the answers
// shown on the page, the marks and the verdict drawn from them.  A host
// reads them after GenerateSheet through CreateHtml::Results() (or, in C,
// gs_create_html_get_results_json).
#ifndef GENERATESHEET_QUESTION_RESULT_H_
#define GENERATESHEET_QUESTION_RESULT_H_

#include <string>
#include <vector>

#include "generatesheet/export.h"

namespace generatesheet {

enum class Verdict {
  kCorrect,     // full marks
  kPartial,     // more than 0, less than full marks
  kWrong,       // 0 of more than 0
  kUnanswered,  // no student answer
  kUnknown,     // a value needed for the verdict is missing or unreadable
};

// The family of the section the question stands in.
enum class QuestionFamily { kSingleChoice, kCompound, kEssay };

struct QuestionResult {
  int number = 0;  // I_QuestionNo
  QuestionFamily family = QuestionFamily::kSingleChoice;
  bool choice = false;  // answers are option letters
  // The option letters offered, in the order shown (choice questions).
  std::vector<std::string> options;
  // As the page shows them, in plain text: an option letter, or the text
  // of a written answer.  student_answered is false when there is none.
  std::string student_answer;
  bool student_answered = false;
  std::string standard_answer;
  // Shortest exact decimal forms ("3", "1.5"); empty when unknown.
  std::string obtained;
  std::string full;
  Verdict verdict = Verdict::kUnknown;
  // Why a value is unknown; empty when everything was read.
  std::string error;
};

// "correct", "partial", "wrong", "unanswered", "unknown".
GENERATESHEET_EXPORT const char* VerdictName(Verdict verdict);
// "single_choice", "compound", "essay".
GENERATESHEET_EXPORT const char* FamilyName(QuestionFamily family);

// The results as a JSON array of objects with the keys number, family,
// choice, options, student_answer (null when unanswered), standard_answer,
// obtained and full (strings, null when unknown), verdict and error (null
// when none).
GENERATESHEET_EXPORT std::string ResultsToJson(const std::vector<QuestionResult>& results);

}  // namespace generatesheet

#endif  // GENERATESHEET_QUESTION_RESULT_H_
