// The psychometric figures of a class summary, one set per subject: the
// score distribution (with n−1 spread, skewness, kurtosis), reliability
// (Cronbach's alpha, the standard error of measurement), per question the
// upper-minus-lower discrimination and alpha without it, per option the
// shares in the upper and lower groups and the point-biserial, and per
// student the rank, percentile and verdict counts.
//
// Students are added one at a time; what is kept of each is a row of the
// points matrix (a float and an option index per question, 6 bytes), so
// 20,000 students on a paper of 100 questions take about 12 MB.
#ifndef GENERATESHEET_TOOLS_SUBJECT_FIGURES_H_
#define GENERATESHEET_TOOLS_SUBJECT_FIGURES_H_

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tools/batch/student_record.h"

namespace generatesheet::cli {

struct OptionFigures {
  std::string letter;
  bool key = false;
  double share = 0;                      // of the students who had the question
  std::optional<double> upper, lower;    // share within the upper / lower group
  std::optional<double> point_biserial;  // chose it (1/0) against the rest score
};

struct QuestionFigures {
  int number = 0;
  QuestionFamily family = QuestionFamily::kSingleChoice;
  bool choice = false;
  std::string full;  // as the results give it
  std::string standard_answer;
  size_t students = 0;  // students who had the question
  size_t answered = 0;
  std::optional<double> facility;          // Σ obtained / Σ full marks
  std::optional<double> item_rest;         // correlation with the rest score
  std::optional<double> upper_lower;       // D: (mean upper − mean lower) / full
  std::optional<double> alpha_if_deleted;  // alpha of the other questions
  std::vector<OptionFigures> options;      // choice questions only
  std::vector<std::string> flags;          // the reasons to review it
};

struct StudentFigures {
  size_t row = 0;  // the student's place in the summary (order added)
  std::optional<double> total;
  std::optional<size_t> rank;        // 1 + students of the subject above
  std::optional<double> percentile;  // 100·(below + ½·tied, self included)/n
  int right = 0, partial = 0, wrong = 0, unanswered = 0;
  std::vector<float> scores;  // per question of the subject; NaN when none
};

struct SubjectFigures {
  std::string subject;
  size_t count = 0;     // students with a known total
  size_t complete = 0;  // of them, with every question scored: alpha, D, groups
  size_t group = 0;     // students in each of the upper and lower groups
  std::optional<double> mean, median, min, max;
  std::optional<double> sd;                  // n − 1 in the denominator
  std::optional<double> population_sd;       // n in the denominator
  std::optional<double> skewness, kurtosis;  // sample (adjusted) estimators
  std::optional<double> alpha, sem;
  bool kr20 = false;                       // every question right or wrong: alpha is KR-20
  std::vector<QuestionFigures> questions;  // by question number
  std::vector<StudentFigures> students;    // in the order added
};

// Thresholds of the flags, also drawn on the difficulty–discrimination plot.
inline constexpr double kLowDiscrimination = 0.2;  // 区分度 below it is low
inline constexpr double kHardBelow = 0.2;          // 难度 below it: too hard
inline constexpr double kEasyAbove = 0.9;          // 难度 above it: too easy

// Rule texts of the flags.
inline constexpr char kFlagNegative[] = "区分度为负：答得好的学生反而更常答错，请核对标准答案";
inline constexpr char kFlagLow[] = "区分度低于 0.2";
inline constexpr char kFlagKey[] = "标准答案可能有误";
inline constexpr char kFlagHard[] = "得分率低于 20%：过难";
inline constexpr char kFlagEasy[] = "得分率高于 90%：过易";
inline constexpr char kFlagNobody[] = "无人作答";

class SubjectFiguresBuilder {
 public:
  // Adds the record that is row `row` of the summary.
  void Add(size_t row, const StudentRecord& record);
  // The figures of each subject, in the order the subjects were first met.
  std::vector<SubjectFigures> Figures() const;

 private:
  struct Column {
    QuestionFigures question;  // what the first result gave
    double full = 0;
    bool full_known = false, unknown_seen = false;
    std::vector<std::string> letters;  // options in the order first seen
  };
  struct Row {
    size_t row = 0;
    std::optional<double> total;
    int right = 0, partial = 0, wrong = 0, unanswered = 0;
    std::vector<float> scores;      // NaN: none, or unknown
    std::vector<uint16_t> choices;  // 1 + index into the column's letters; 0 none
  };
  struct Subject {
    std::string name;
    std::map<int, size_t> columns_by_number;
    std::vector<Column> columns;
    std::vector<Row> rows;
  };
  std::vector<Subject> subjects_;

  static SubjectFigures Compute(const Subject& s);
};

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUBJECT_FIGURES_H_
