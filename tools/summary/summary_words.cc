#include "tools/summary/summary_words.h"

#include <cstdio>

namespace generatesheet::cli {

const char* StateWords(Outcome state) {
  switch (state) {
    case Outcome::kComplete:
      return "完整";
    case Outcome::kWrittenWithErrors:
      return "有错误";
    case Outcome::kNotWritten:
      break;
  }
  return "未写出";
}

const char* FamilyWords(QuestionFamily family) {
  switch (family) {
    case QuestionFamily::kSingleChoice:
      return "单选题";
    case QuestionFamily::kCompound:
      return "复合题";
    case QuestionFamily::kEssay:
      break;
  }
  return "论述题";
}

std::string Fixed(double value, int digits) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", digits, value);
  return text;
}

}  // namespace generatesheet::cli
