#include "tools/summary/exam_title.h"

#include <ctime>

namespace generatesheet::cli {

std::string DefaultTitle(const std::vector<std::string>& subjects) {
  std::string named;
  for (const std::string& subject : subjects) {
    if (!subject.empty()) named += (named.empty() ? "" : "、") + subject;
  }
  return named.empty() ? "班级成绩汇总" : named + " 成绩汇总";
}

std::string RunDate() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

ExamTitle ExamTitleOption(const ParsedArgs& args) {
  ExamTitle exam{args.Get("title").value_or(""), RunDate()};
  if (args.Has("title") && exam.title.find_first_not_of(" \t\r\n") == std::string::npos) {
    throw UsageError("选项 --title 的值为空");
  }
  return exam;
}

}  // namespace generatesheet::cli
