// A student of the class summary and how its outcome is told: the record
// without its results, the exact total ("" when unknown), and whether the
// batch ran the row at all (a row an interrupted or stopped batch never
// began is listed, never counted).
#ifndef GENERATESHEET_TOOLS_SUMMARY_SUMMARY_STUDENT_H_
#define GENERATESHEET_TOOLS_SUMMARY_SUMMARY_STUDENT_H_

#include <string>

#include "tools/job/student_record.h"

namespace generatesheet::cli {

struct SummaryStudent {
  StudentRecord record;
  std::string score;
  bool run = true;
};

// 完整, 有错误, 未写出, 未生成 (never run).
const char* OutcomeWords(const SummaryStudent& student);
// complete, with_errors, not_written, not_run.
const char* OutcomeKey(const SummaryStudent& student);
bool Complete(const SummaryStudent& student);
// Whether the student's page is there to link to.
bool PageLinked(const SummaryStudent& student);

// Why a student's total is not among the figures (kCounted when it is).
enum class LeftOut { kCounted, kNotWritten, kUnread, kNotRun };
LeftOut WhyLeftOut(const SummaryStudent& student);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUMMARY_SUMMARY_STUDENT_H_
