#include "tools/job/failure_cause.h"

namespace generatesheet::cli {

namespace {

bool Holds(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

// Each step of a run, by the name RunFailure gives it, in a teacher's words.
struct StepWords {
  const char* step;
  const char* words;
};
constexpr StepWords kStepWords[] = {
    {"Unzip", "解压答卷包"},
    {"GenerateSheet", "生成页面"},
    {"InitAnalysisConn", "解密考生的答卷数据（Analysis.mdb）"},
    {"InitPbaseConn", "连接题库（Pbase.mdb）"},
    {"GePaperInfo", "写出页面"},
    {"GetPaperTotleInfo", "生成页眉（学号、姓名、得分）"},
    {"SelectPaper", "生成试卷的各大题"},
    {"SingleChoose", "生成单选题"},
    {"LunShu", "生成论述题"},
    {"FuHeTi", "生成阅读理解或完形填空题"},
    {"GetBigQuestion", "读取阅读理解或完形填空的短文"},
    {"GetSelectOption", "读取选择题的选项"},
    {"GetAnswerAndAnalysis", "读取考生答案、标准答案和解析"},
};

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

std::string PlainCause(const RunFailure& failure) {
  if (failure.kind == FailureKind::kNone) return "";
  std::string text = failure.description.empty() ? failure.message : failure.description;
  for (const StepWords& row : kStepWords) {
    // The extraction's own messages say that they concern the package.
    if (failure.step == row.step && failure.step != "Unzip") {
      text = row.words + std::string("时出错：") + text;
    }
  }
  if (!failure.file.empty() && !Holds(text, failure.file.c_str())) {
    text += "（文件：" + failure.file + "）";
  }
  return text;
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
