// The words the class summary's files use for a page's state and a
// question's family, and how they write a figure.
#ifndef GENERATESHEET_TOOLS_SUMMARY_SUMMARY_WORDS_H_
#define GENERATESHEET_TOOLS_SUMMARY_SUMMARY_WORDS_H_

#include <string>

#include "generatesheet/create_html.h"
#include "generatesheet/question_result.h"

namespace generatesheet::cli {

const char* StateWords(Outcome state);           // 完整, 有错误, 未写出
const char* FamilyWords(QuestionFamily family);  // 单选题, 复合题, 论述题

// Shown where a figure is not known.
inline constexpr char kMissing[] = "—";

// `value` with `digits` decimals, as every summary file writes it.
std::string Fixed(double value, int digits);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUMMARY_SUMMARY_WORDS_H_
