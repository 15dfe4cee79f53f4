// The fixed prefix under which each procedure reports a failure in ErrMsg:
// the component's own here, the rendering procedures' in render/.
#ifndef GENERATESHEET_COMPONENT_ERROR_PREFIXES_H_
#define GENERATESHEET_COMPONENT_ERROR_PREFIXES_H_

#include <string_view>

#include "render/error_prefixes.h"

namespace generatesheet::prefix {

inline constexpr char kGenerateSheet[] = "创建文件出错，错误信息：";
inline constexpr char kInitAnalysisConn[] = "初始化Analysis数据库连接出错，详细信息：";
inline constexpr char kInitPbaseConn[] = "初始化Pbase数据库连接出错，详细信息：";

}  // namespace generatesheet::prefix

namespace generatesheet {

// Each step of a run that reports failures: its name, as RunFailure::step
// gives it (a rendering procedure's is the name in its prefix's brackets),
// and the fixed prefix its reports carry in ErrMsg.
struct RunStep {
  std::string_view name;
  std::string_view prefix;
};

inline constexpr RunStep kRunSteps[] = {
    {"GenerateSheet", prefix::kGenerateSheet},   {"InitAnalysisConn", prefix::kInitAnalysisConn},
    {"InitPbaseConn", prefix::kInitPbaseConn},   {"GePaperInfo", prefix::kPage},
    {"GetPaperTotleInfo", prefix::kPaperHeader}, {"SelectPaper", prefix::kSections},
    {"SingleChoose", prefix::kChoiceSection},    {"LunShu", prefix::kEssaySection},
    {"FuHeTi", prefix::kCompoundSection},        {"GetBigQuestion", prefix::kPassage},
    {"GetSelectOption", prefix::kChoiceOptions}, {"GetAnswerAndAnalysis", prefix::kAnswerRows},
};

// The name of the step whose reports carry `prefix`; "" for none.
constexpr std::string_view StepOfPrefix(std::string_view prefix) {
  for (const RunStep& step : kRunSteps) {
    if (step.prefix == prefix) return step.name;
  }
  return "";
}

}  // namespace generatesheet

#endif  // GENERATESHEET_COMPONENT_ERROR_PREFIXES_H_
