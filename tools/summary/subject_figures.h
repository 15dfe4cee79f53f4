// The figures of a class summary, one set per subject, worked out once for
// every file that shows them: the score distribution (with n−1 spread,
// skewness, kurtosis), reliability (Cronbach's alpha, the standard error of
// measurement), per question the facility, the item–rest correlation, the
// upper-minus-lower discrimination and alpha without it, per option the
// shares in the class and in the upper and lower groups and the
// point-biserial, and per student the rank, percentile and verdict counts.
//
// Who counts: a question's score counts where the student's result gives
// it; a question's answer where it was read (an answer that could not be
// read is unknown, never "not answered").  A student whose score of a
// question is unknown is left out of that question's figures, not the
// question blanked for everyone; the total is known only when every score
// is, and the figures of the totals (and of the upper and lower groups,
// alpha and D, over the students with every question scored) count only
// students whose total is known.
//
// The figures do not depend on the order the students are added in: the
// rows are taken in the order of the keys the caller gives them, subjects
// by name, option letters in order, and students of equal totals at the
// 27% cut share the places left in the group (each an equal fraction), so
// none is put above another for where it stood in a list.
//
// Students are added one at a time; what is kept of each is a row of the
// points matrix (a double and an option index per question, 10 bytes), so
// 20,000 students on a paper of 100 questions take about 20 MB.
#ifndef GENERATESHEET_TOOLS_SUBJECT_FIGURES_H_
#define GENERATESHEET_TOOLS_SUBJECT_FIGURES_H_

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tools/job/student_record.h"

namespace generatesheet::cli {

struct OptionFigures {
  std::string letter;  // kBlankResponse for the row of those who gave no answer
  bool key = false;
  size_t count = 0;                      // students who chose it
  double share = 0;                      // of the students whose answer is known
  std::optional<double> upper, lower;    // share within the upper / lower group
  std::optional<double> point_biserial;  // chose it (1/0) against the rest score
  bool most_chosen_wrong = false;        // the wrong option chosen most (ties: the first letter)
  std::vector<size_t> chosen_by;         // a wrong option's: the rows of those who chose it
};

struct QuestionFigures {
  int number = 0;
  QuestionFamily family = QuestionFamily::kSingleChoice;
  bool choice = false;
  std::string full;  // as the results give it
  std::string standard_answer;
  // The first line of its text, plain; the smallest of the texts the
  // results give (so the same in any order), "" when none gives one.
  std::string text;
  bool texts_differ = false;               // the results give more than one text
  size_t students = 0;                     // students whose score of it is known
  size_t answers = 0;                      // students whose answer (or its absence) is known
  size_t answered = 0;                     // of those, students who gave an answer
  std::optional<double> facility;          // Σ obtained / Σ full marks
  std::optional<double> unanswered;        // (answers − answered) / answers
  std::optional<double> item_rest;         // correlation with the rest score
  std::optional<double> upper_lower;       // D: (mean upper − mean lower) / full
  std::optional<double> alpha_if_deleted;  // alpha of the other questions
  std::vector<OptionFigures> options;      // choice questions only, by letter
  OptionFigures blank;                     // no answer given, as a response (letter 未作答)
  std::optional<double> mean, sd;          // of the obtained scores; sd with n − 1
  std::optional<double> upper_facility;    // facility within the upper group
  std::optional<double> lower_facility;    // and the lower
  std::vector<std::string> flags;          // the reasons to review it
};

struct StudentFigures {
  size_t row = 0;        // the student's row in the summary
  bool counted = false;  // any score or answer of the student's counts
  std::optional<double> total;
  std::optional<size_t> rank;        // in the year: 1 + students of the subject above
  std::optional<size_t> class_rank;  // the same among the student's class only
  size_t class_count = 0;            // students of that class with a known total
  std::optional<double> percentile;  // 100·(below + ½·tied, self included)/n
  std::optional<double> share;       // total / the paper's full marks
  std::optional<double> z;           // (total − mean) / sd, the n − 1 one
  std::optional<double> t;           // 50 + 10z
  int right = 0, partial = 0, wrong = 0, unanswered = 0;
  std::vector<double> scores;  // per question of the subject; NaN when none
};

struct SubjectFigures {
  std::string subject;
  size_t count = 0;     // students with a known total
  size_t complete = 0;  // of them, with every question scored: alpha, D, groups
  size_t group = 0;     // places in each of the upper and lower groups
  double full = 0;      // the paper's full marks: the largest sum of full marks of a known total
  std::optional<double> mean, median, min, max;
  // The lower and upper quartiles: the value at (n − 1)·p of the sorted
  // totals (0-based), interpolated between its neighbours (as Excel's
  // QUARTILE.INC); the median is the one at p = ½.
  std::optional<double> q1, q3;
  // 三率一分 (score_bands.h): the score rate (mean / full marks) and the
  // shares of the students in the pass, excellent and low bands.
  std::optional<double> score_rate, pass_rate, excellent_rate, low_rate;
  std::optional<double> sd;                  // n − 1 in the denominator
  std::optional<double> population_sd;       // n in the denominator
  std::optional<double> skewness, kurtosis;  // sample (adjusted) estimators
  std::optional<double> alpha, sem;
  // The 95% confidence interval of alpha by Feldt's method: with m complete
  // students and k questions, 1 − (1 − alpha)·F(0.975) and
  // 1 − (1 − alpha)·F(0.025), F with m − 1 and (m − 1)(k − 1) degrees of
  // freedom.
  std::optional<double> alpha_low, alpha_high;
  // A class's: Cohen's d of its totals against the rest of the year's,
  // (mean − mean of the rest) / the pooled n − 1 standard deviation.
  std::optional<double> effect_size;
  bool kr20 = false;                       // every question right or wrong: alpha is KR-20
  std::vector<QuestionFigures> questions;  // by question number
  std::vector<StudentFigures> students;    // by row
  std::vector<double> totals;              // the known totals, ascending
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
inline constexpr char kFlagAlphaUp[] = "删除本题后信度提高";
inline constexpr char kFlagAllSame[] = "所有考生得分相同";
inline constexpr char kFlagRareDistractor[] = "干扰项几乎无人选择（低于 5%）";
inline constexpr char kFlagTextsDiffer[] = "考生试卷中本题的题目文字不一致，请核对是否为同一试卷";
inline constexpr double kRareDistractor = 0.05;  // a wrong option's share below it

// The response row of the students who gave no answer.
inline constexpr char kBlankResponse[] = "未作答";

// Whether a result's answer was read: given, or known to be blank.
bool AnswerKnown(const QuestionResult& result);

class SubjectFiguresBuilder {
 public:
  // Adds the record that is row `row` of the summary.
  void Add(size_t row, const StudentRecord& record);
  // The figures of each subject, subjects by name; the rows renumbered by
  // `row_of` (the row each added row has in the summary), which also gives
  // the order the students are taken in.
  std::vector<SubjectFigures> Figures(const std::vector<size_t>& row_of) const;

 private:
  struct Column {
    QuestionFigures question;  // the smallest description the results gave
    double full = 0;
    bool full_known = false;
    bool described = false;  // by a result whose score or answer was read
  };
  struct Row {
    size_t row = 0;
    bool counted = false;
    std::optional<double> total;
    int right = 0, partial = 0, wrong = 0, unanswered = 0;
    std::vector<double> scores;     // NaN: none, or unknown
    std::vector<uint16_t> choices;  // 1 + index into the subject's letters; 0 none, kUnread
  };
  struct Subject {
    std::string name;
    double full = 0;
    std::map<int, size_t> columns_by_number;
    std::vector<Column> columns;
    std::vector<std::string> letters;  // every option letter met, in the order first met
    std::vector<Row> rows;
  };
  std::vector<Subject> subjects_;

  // The column of q's question in `subject`, added or described anew as q
  // tells.
  static size_t ColumnOf(Subject& subject, const QuestionResult& q);
  // Tallies q, and its text when the record gives one, in its column and
  // in the student's row.
  static void AddResult(Subject& subject, const QuestionResult& q, const std::string* text, Row& r);

  struct Matrix;  // one subject's results as the figures take them
  static SubjectFigures Compute(const Subject& s, const std::vector<size_t>& row_of);
};

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUBJECT_FIGURES_H_
