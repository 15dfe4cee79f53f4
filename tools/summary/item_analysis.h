// The figures of a class summary, worked out from the students' results:
// the score distribution of the class and, per question, how hard it was,
// which options drew the students and how well it told strong students
// from weak ones.
#ifndef GENERATESHEET_TOOLS_SUMMARY_ITEM_ANALYSIS_H_
#define GENERATESHEET_TOOLS_SUMMARY_ITEM_ANALYSIS_H_

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tools/batch/student_record.h"

namespace generatesheet::cli {

// The exact total of a student's obtained scores ("" when any is unknown,
// or the student has no results).
std::string StudentScore(const StudentRecord& record);

struct ClassStatistics {
  size_t count = 0;  // students with a known score
  double mean = 0, median = 0, min = 0, max = 0;
  double std_dev = 0;  // population standard deviation
  double full = 0;     // the paper's full marks (largest known total of full marks)
};

struct OptionShare {
  std::string letter;
  double share = 0;  // of the students who had the question
  bool correct = false;
  bool worst_distractor = false;  // the wrong option chosen most (ties: the first)
};

// A question is told apart by its subject and number: a batch may hold
// several papers.
struct ItemStatistics {
  std::string subject;
  int number = 0;
  QuestionFamily family = QuestionFamily::kSingleChoice;
  bool choice = false;
  std::string full;     // the full marks, as the results give them
  size_t students = 0;  // students who had the question
  double facility = 0;  // mean obtained / full marks, 0..1
  bool facility_known = false;
  double unanswered = 0;             // share of students without an answer
  std::vector<OptionShare> options;  // choice questions only
  std::string correct;               // the standard answer
  // Correlation of the question's score with the rest of the paper;
  // nullopt when it cannot be computed (fewer than two students, or no
  // spread in either).
  std::optional<double> discrimination;
};

// The scores of one subject: a batch may hold several papers, and their
// totals are never pooled.
struct SubjectScores {
  std::string subject;
  ClassStatistics stats;
  std::vector<double> scores;  // the known scores, as given
};

struct ClassAnalysis {
  std::vector<SubjectScores> subjects;  // in the order first met
  std::vector<ItemStatistics> items;    // hardest first; unknown facility last
};

// Gathers the figures one student at a time and keeps only a few numbers
// per student and question, so a class of thousands of students with long
// papers fits in memory.
class ClassAnalyser {
 public:
  ClassAnalyser();
  ~ClassAnalyser();
  ClassAnalyser(ClassAnalyser&&) noexcept;
  ClassAnalyser& operator=(ClassAnalyser&&) noexcept;

  void Add(const StudentRecord& record);
  // The figures of the students added so far.
  ClassAnalysis Analysis() const;

 private:
  struct Tallies;
  std::unique_ptr<Tallies> tallies_;
};

ClassAnalysis AnalyseClass(const std::vector<StudentRecord>& records);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUMMARY_ITEM_ANALYSIS_H_
