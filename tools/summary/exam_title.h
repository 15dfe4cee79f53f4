// The exam a class summary is of: its title and the date of the run, shown
// at the top of index.html and in its page title.  The title is the user's
// (--title) or made from the subjects.
#ifndef GENERATESHEET_TOOLS_SUMMARY_EXAM_TITLE_H_
#define GENERATESHEET_TOOLS_SUMMARY_EXAM_TITLE_H_

#include <optional>
#include <string>
#include <vector>

namespace generatesheet::cli {

struct ExamTitle {
  std::string title;  // empty: made from the subjects
  std::string date;   // "2026-12-10"; empty: none shown
};

// "英语 成绩汇总", "英语、计算机应用基础 成绩汇总"; "班级成绩汇总" without
// any subject.
std::string DefaultTitle(const std::vector<std::string>& subjects);

// Today's date where the program runs, "YYYY-MM-DD".
std::string RunDate();

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUMMARY_EXAM_TITLE_H_
