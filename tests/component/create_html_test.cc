#include "generatesheet/create_html.h"

#include <gtest/gtest.h>

#include "component/error_prefixes.h"
#include "generatesheet/model.h"

namespace generatesheet {
namespace {

TEST(CreateHtmlProperties, FreshObjectReadsEmptyEverywhere) {
  CreateHtml sheet;
  for (const std::string& value :
       {sheet.StudentName(), sheet.TemplatePath(), sheet.DocumentPath(), sheet.BakDataPath(),
        sheet.ZipPaperName(), sheet.ZipPassword(), sheet.ErrMsg(), sheet.StudentID(),
        sheet.Subject(), sheet.HTMLPaperPath(), sheet.PagePath()}) {
    EXPECT_EQ("", value);
  }
}

TEST(CreateHtmlProperties, StoresValuesUnchanged) {
  CreateHtml sheet;
  sheet.SetStudentName("  张三 ");
  sheet.SetSubject("计算机应用基础 ");
  sheet.SetHTMLPaperPath("D:\\out\\");
  sheet.SetErrMsg("x");
  EXPECT_EQ("  张三 ", sheet.StudentName());
  EXPECT_EQ("计算机应用基础 ", sheet.Subject());
  EXPECT_EQ("D:\\out\\", sheet.HTMLPaperPath());
  EXPECT_EQ("x", sheet.ErrMsg());
}

TEST(CreateHtmlConnections, CreateThemselvesClosedAndStay) {
  CreateHtml sheet;
  auto first = sheet.AnalysisConn();
  ASSERT_NE(nullptr, first);
  EXPECT_FALSE(first->IsOpen());
  EXPECT_EQ("", first->ConnectionString());
  EXPECT_EQ(first, sheet.AnalysisConn());
  EXPECT_NE(first, sheet.PbaseConn());

  sheet.SetAnalysisConn(nullptr);
  auto fresh = sheet.AnalysisConn();
  EXPECT_NE(first, fresh);

  auto mine = std::make_shared<Connection>();
  sheet.SetPbaseConn(mine);
  EXPECT_EQ(mine, sheet.PbaseConn());
}

TEST(ModelProperties, SubjectIsAnIntegerAndRecNoFeedsHTMLPaperPath) {
  Model model;
  EXPECT_EQ(0, model.Subject());
  EXPECT_EQ("", model.HTMLPaperPath());
  EXPECT_EQ("", model.StudentID());
  model.SetRecNo("X");
  EXPECT_EQ("X", model.HTMLPaperPath());
  model.SetSubject(-7);
  EXPECT_EQ(-7, model.Subject());
  model.SetZipPassword("p");
  EXPECT_EQ("p", model.ZipPassword());
}

TEST(ErrorPrefixes, AreTheSystemsOwnTexts) {
  // Hosts match these byte for byte; a drifted character breaks them.
  EXPECT_STREQ("创建文件出错，错误信息：", prefix::kGenerateSheet);
  EXPECT_STREQ("【GePaperInfo】创建文件出错，错误信息：", prefix::kPage);
  EXPECT_STREQ("【SelectPaper】生成选择题体面信息出错，错误信息：", prefix::kSections);
  EXPECT_STREQ("【LunShu】英译汉[论述题]  写作[论述题]出错，错误信息：", prefix::kEssaySection);
  EXPECT_STREQ("【FuHeTi】阅读理解[单选题]  完型填空[单选题]出错，错误信息：",
               prefix::kCompoundSection);
  EXPECT_STREQ("【GetBigQuestion】获取复合题的大题目出错，错误信息：", prefix::kPassage);
  EXPECT_STREQ("【SingleChoose】生成单选题生成代码信息出错，错误信息：", prefix::kChoiceSection);
  EXPECT_STREQ("【GetSelectOption】获取到选择题的选项出错，错误信息：", prefix::kChoiceOptions);
  EXPECT_STREQ("【GetAnswerAndAnalysis】获取学生答案和标准答案以及解析出错，错误信息：",
               prefix::kAnswerRows);
  EXPECT_STREQ("【GetPaperTotleInfo】获取试卷的标题信息出错，错误信息：", prefix::kPaperHeader);
  EXPECT_STREQ("初始化Analysis数据库连接出错，详细信息：", prefix::kInitAnalysisConn);
  EXPECT_STREQ("初始化Pbase数据库连接出错，详细信息：", prefix::kInitPbaseConn);
}

}  // namespace
}  // namespace generatesheet
