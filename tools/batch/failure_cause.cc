#include "tools/batch/failure_cause.h"

namespace generatesheet::cli {

namespace {

bool Holds(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

}  // namespace

// By the texts the library reports these causes with; the first matching
// kind wins, in the order the run meets them.
FailureCause ClassifyFailure(const std::string& message) {
  if (Holds(message, "答卷数据无法解密：密钥文件不符")) return FailureCause::kKeyMismatch;
  if (Holds(message, "答卷数据不是加密的答卷数据库")) return FailureCause::kNotAnswerData;
  if (Holds(message, "学号“") && Holds(message, "”与此答卷包不符")) {
    return FailureCause::kStudentMismatch;
  }
  if (Holds(message, "试卷中没有生成任何试题")) return FailureCause::kNoSection;
  return FailureCause::kOther;
}

std::string CauseWords(FailureCause cause) {
  switch (cause) {
    case FailureCause::kKeyMismatch:
      return "密钥文件与答卷包不符，请检查 --key-file";
    case FailureCause::kNotAnswerData:
      return "答卷数据不是加密的答卷数据库，或已损坏，请重新取得这些答卷包";
    case FailureCause::kStudentMismatch:
      return "学号与答卷包不符，请检查清单的 student_id 列";
    case FailureCause::kNoSection:
      return "科目与试卷不符，没有生成任何试题，请检查清单的 subject 列";
    case FailureCause::kOther:
      break;
  }
  return "";
}

}  // namespace generatesheet::cli
