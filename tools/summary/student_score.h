// A student's total and the paper's full marks from the results, as exact
// decimal sums, and the one way the summary reads and writes a score: a
// decimal text read in the "C" form, a number written as the shortest
// decimal that reads back to it ("17.1", never 17.100000381469727).
#ifndef GENERATESHEET_TOOLS_SUMMARY_STUDENT_SCORE_H_
#define GENERATESHEET_TOOLS_SUMMARY_STUDENT_SCORE_H_

#include <optional>
#include <string>

#include "tools/job/student_record.h"

namespace generatesheet::cli {

// The exact total of a student's obtained scores ("" when any is unknown,
// or the student has no results).
std::string StudentScore(const StudentRecord& record);

// The exact sum of the full marks of the student's questions ("" when any
// is unknown, or the student has no results).
std::string FullMarks(const StudentRecord& record);

// The value of a decimal text ("2.5", "+1", "-3"); none when empty or not
// one whole number.
std::optional<double> DecimalValue(const std::string& text);

// The shortest decimal that reads back to `value`.
std::string ShortestDecimal(double value);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUMMARY_STUDENT_SCORE_H_
