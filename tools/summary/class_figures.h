// The figures of each class of a year, beside the year's own: the same
// figures per subject (count, mean, median, n − 1 spread, alpha, facility
// per question), worked out over the students of one class only.  A
// student's class is the one the manifest gave; the students without one
// form a class of their own (its name "") when others have one.  Classes
// are in the order of their names.
//
// What is kept per student is a second row of the points matrix, so a
// summary that names classes takes twice the memory of one that does not.
#ifndef GENERATESHEET_TOOLS_SUMMARY_CLASS_FIGURES_H_
#define GENERATESHEET_TOOLS_SUMMARY_CLASS_FIGURES_H_

#include <optional>
#include <string>
#include <vector>

#include "tools/job/student_record.h"
#include "tools/summary/subject_figures.h"

namespace generatesheet::cli {

// The words a class without a name is shown by, and the other labels the
// summary gives rows of its own (the whole year, the whole summary): a
// class named like one of them is shown quoted, so it never looks like one.
inline constexpr char kNoClass[] = "未分班";
inline constexpr const char* kReservedLabels[] = {kNoClass, "全年级", "全体"};

struct ClassFigures {
  std::string name;        // "" for the students without a class
  SubjectFigures figures;  // of the class's students of the subject only
};

// The classes of one subject, by name.
struct SubjectClasses {
  std::string subject;
  std::vector<ClassFigures> classes;
};

class ClassFiguresBuilder {
 public:
  void Add(size_t row, const StudentRecord& record);
  // Whether any student added has a class.
  bool named() const { return named_; }
  // Per subject, by name; empty when no student has a class.  `row_of`
  // as for SubjectFiguresBuilder::Figures.
  std::vector<SubjectClasses> Figures(const std::vector<size_t>& row_of) const;

 private:
  struct Class {
    std::string name;
    SubjectFiguresBuilder figures;
  };
  std::vector<Class> classes_;
  bool named_ = false;
};

// Puts each student's rank within the class (and the class's count) into
// the year's figures, `year` and `classes` made with the same rows.
void RankWithinClasses(std::vector<SubjectFigures>& year,
                       const std::vector<SubjectClasses>& classes);

// Puts into each class's figures Cohen's d of its totals against the rest
// of the year's (the year's totals without the class's): the difference of
// the means over the pooled standard deviation
// √(((n₁ − 1)s₁² + (n₂ − 1)s₂²)/(n₁ + n₂ − 2)), each s with n − 1; none when
// either side is empty or the pooled deviation is 0.
void CompareWithRestOfYear(const std::vector<SubjectFigures>& year,
                           std::vector<SubjectClasses>& classes);

// The class's name as the summary shows it: kNoClass for "", a reserved
// label quoted (“全体”).
std::string ClassLabel(const std::string& name);

// Every class name of `classes`, each once, in order.
std::vector<std::string> ClassNames(const std::vector<SubjectClasses>& classes);

// The facility of question `number` of `subject` in class `name`; none when
// the class has no such question or its facility is unknown.
std::optional<double> ClassFacility(const std::vector<SubjectClasses>& classes,
                                    const std::string& subject, const std::string& name,
                                    int number);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUMMARY_CLASS_FIGURES_H_
