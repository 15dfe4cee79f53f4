#include "tools/summary/summary_student.h"

#include "tools/summary/summary_words.h"

namespace generatesheet::cli {

const char* OutcomeWords(const SummaryStudent& student) {
  return student.run ? StateWords(student.record.state) : "未生成";
}

const char* OutcomeKey(const SummaryStudent& student) {
  return student.run ? OutcomeName(student.record.state) : "not_run";
}

bool Complete(const SummaryStudent& student) {
  return student.run && student.record.state == Outcome::kComplete;
}

bool PageLinked(const SummaryStudent& student) {
  return student.run && student.record.state != Outcome::kNotWritten;
}

LeftOut WhyLeftOut(const SummaryStudent& student) {
  if (!student.run) return LeftOut::kNotRun;
  if (student.record.state == Outcome::kNotWritten) return LeftOut::kNotWritten;
  return student.score.empty() ? LeftOut::kUnread : LeftOut::kCounted;
}

}  // namespace generatesheet::cli
