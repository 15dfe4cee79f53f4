// Where a student stands in the subject, as a table, index.html or a report
// card shows it: the total as a share of full marks, its standard scores
// (z against the year's mean and n − 1 standard deviation, T = 50 + 10z),
// the rank in the class and in the year (equal totals share a rank: 1, 1,
// 3) and the percentile rank (100·(below + ½·equal, the student too)/n).
// Each is over the students of the subject whose total is known; none for
// a student whose total is not.
#ifndef GENERATESHEET_TOOLS_SUMMARY_STUDENT_STANDING_H_
#define GENERATESHEET_TOOLS_SUMMARY_STUDENT_STANDING_H_

#include <optional>
#include <string>

#include "tools/summary/subject_figures.h"

namespace generatesheet::cli {

struct StudentStanding {
  std::string subject;
  std::optional<double> total;
  double full = 0;  // the paper's full marks
  std::optional<double> share, z, t, percentile;
  std::optional<size_t> class_rank, year_rank;
  size_t class_count = 0;  // students of the class with a known total; 0 without classes
  size_t year_count = 0;   // students of the subject with a known total
};

// The standing of `student`, one of `subject`'s students.
StudentStanding StandingOf(const SubjectFigures& subject, const StudentFigures& student);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUMMARY_STUDENT_STANDING_H_
