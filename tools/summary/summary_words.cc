#include "tools/summary/summary_words.h"

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

}  // namespace generatesheet::cli
