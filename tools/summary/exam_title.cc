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

}  // namespace generatesheet::cli
