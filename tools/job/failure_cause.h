// Why a student's page is not complete, as far as a batch needs to tell:
// the causes that strike many students at once (the key file, the subject)
// are told apart, so that they are reported once for all of them and a
// batch whose key fits none of its packages can stop early.
#ifndef GENERATESHEET_TOOLS_JOB_FAILURE_CAUSE_H_
#define GENERATESHEET_TOOLS_JOB_FAILURE_CAUSE_H_

#include <string>

#include "generatesheet/run_failure.h"

namespace generatesheet::cli {

enum class FailureCause {
  kOther,            // anything else, or no failure
  kKeyMismatch,      // the key file does not fit the package (or its data is damaged)
  kNotAnswerData,    // Analysis.mdb is not an encrypted answer database
  kStudentMismatch,  // the student number does not fit the package
  kNoSection,        // the subject selects none of the paper's sections
};

// The one place where a failure is classified: from the library's report
// (ErrMsg) or the batch's own message for the row.
FailureCause ClassifyFailure(const std::string& message);

// The cause in plain words and what to do, for a line that stands for many
// students ("密钥文件与答卷包不符，请检查 --key-file"); "" for kOther.
std::string CauseWords(FailureCause cause);

// A run's failure as a teacher reads it: the step in words, the reason and
// the file concerned, without the procedure's name and fixed prefix that
// ErrMsg carries ("生成试卷各大题时出错：无效使用 Null：字段 C_Startexe…").
// "" when the run did not fail.
std::string PlainCause(const RunFailure& failure);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_JOB_FAILURE_CAUSE_H_
