// The steps of a run, each with the prefix its reports carry: the one table
// a failure's step is taken from.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "component/error_prefixes.h"

namespace generatesheet {
namespace {

TEST(RunStepsTest, EachStepIsFoundByItsPrefixAndNoPrefixBeginsAnother) {
  for (const RunStep& step : kRunSteps) {
    EXPECT_EQ(StepOfPrefix(step.prefix), step.name) << step.prefix;
    // A rendering procedure names itself in its prefix's brackets.
    if (step.prefix.starts_with("【")) {
      EXPECT_TRUE(step.prefix.starts_with("【" + std::string(step.name) + "】")) << step.prefix;
    }
    EXPECT_TRUE(step.prefix.ends_with("：")) << step.prefix;
    for (const RunStep& other : kRunSteps) {
      if (&other == &step) continue;
      EXPECT_FALSE(other.prefix.starts_with(step.prefix)) << other.prefix;
    }
  }
  EXPECT_EQ(std::size(kRunSteps), 12u);
}

TEST(RunStepsTest, TextThatIsNoPrefixNamesNoStep) {
  const std::string_view texts[] = {"", "创建文件出错", "【GePaperInfo】",
                                    "创建文件出错，错误信息：多出的字"};
  for (const std::string_view text : texts) EXPECT_EQ(StepOfPrefix(text), "") << text;
  EXPECT_EQ(StepOfPrefix(prefix::kGenerateSheet), "GenerateSheet");
  EXPECT_EQ(StepOfPrefix(prefix::kAnswerRows), "GetAnswerAndAnalysis");
}

}  // namespace
}  // namespace generatesheet
