#include "tools/summary/student_standing.h"

namespace generatesheet::cli {

StudentStanding StandingOf(const SubjectFigures& subject, const StudentFigures& student) {
  StudentStanding standing;
  standing.subject = subject.subject;
  standing.total = student.total;
  standing.full = subject.full;
  standing.share = student.share;
  standing.z = student.z;
  standing.t = student.t;
  standing.percentile = student.percentile;
  standing.class_rank = student.class_rank;
  standing.year_rank = student.rank;
  standing.class_count = student.class_count;
  standing.year_count = subject.count;
  return standing;
}

}  // namespace generatesheet::cli
