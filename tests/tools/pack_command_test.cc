// generate-sheet pack and demo: packages built from descriptions, then read
// back through the whole system.
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>

#include "tools/cli_fixture.h"

namespace generatesheet::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class PackCommandTest : public CliTest {
 protected:
  // Packs `description` (written to <dir>/<stem>.json) into <dir>/<stem>/.
  CliResult Pack(const std::string& stem, const std::string& description) {
    WriteFileForTest(dir_.File(stem + ".json"), description);
    return Cli({"pack", stem + ".json", "--out", stem, "--key-file", key_file_});
  }
  // Runs the package and returns the page ("" with the error in `err_`).
  std::string Page(const std::string& folder, const std::string& zip, const std::string& id,
                   const std::string& subject = "英语") {
    const CliResult r = Cli({"run", "--bak-data-path", folder, "--zip", zip, "--out", "pages",
                             "--student-id", id, "--subject", subject, "--key-file", key_file_});
    err_ = r.err;
    return r.exit_code == 0 ? ReadFileForTest(dir_.File(Lines(r.out).at(0))) : "";
  }
  static bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
  }
  std::string err_;
};

// The example of doc/package-description.md, so the manual stays true.
std::string DocumentedExample() {
  const std::string doc = ReadFileForTest(GENERATESHEET_SOURCE_DIR "/doc/package-description.md");
  const size_t section = doc.find("## Example");
  const size_t start = doc.find("```json\n", section) + 8;
  return doc.substr(start, doc.find("```", start) - start);
}

TEST_F(PackCommandTest, DocumentedExampleBuildsAPackageThatRenders) {
  const CliResult r = Pack("1001", DocumentedExample());
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "1001/1001.zip\n");
  const std::string page = Page("1001", "1001.zip", "1001");
  ASSERT_NE(page, "") << err_;
  EXPECT_EQ(err_, "");
  EXPECT_TRUE(Has(page, "考生得分：5</div>"));
  EXPECT_TRUE(Has(page, "<div class='bigTitle'>一、单项选择（每小题5分）</div>"));
  EXPECT_TRUE(Has(page, "<li>B、Beijing</li>"));
  EXPECT_TRUE(Has(page, "考生答案：B &nbsp;&nbsp;标准答案：B"));
  EXPECT_TRUE(Has(page, "试题解析：北京是中国的首都。"));
  EXPECT_TRUE(Has(page, "<div class='lunsu'><span class='bigTitle'>二、英译汉</span>"));
  EXPECT_TRUE(Has(page, "<tr><td class='bottom'>考生答案：无</td></tr>"));
  EXPECT_TRUE(Has(page, "<tr><td class='bottom'>标准答案：熟能生巧。</td></tr>"));
  EXPECT_TRUE(Has(page, "is a proverb."));

  // The wrong student cannot read the answers.
  EXPECT_EQ(Cli({"run", "--bak-data-path", "1001", "--zip", "1001.zip", "--out", "other",
                 "--student-id", "1002", "--key-file", key_file_})
                .err.substr(0, 9),
            "警告：");
}

TEST_F(PackCommandTest, TypeIdsAsNamesOrNumbersAndTextsAsRichText) {
  const json description = {
      {"student_id", "7"},
      {"pbase",
       {{"tbl_QuestionType",
         {{{"I_CmdId", 1},
           {"C_DataCode", ""},
           {"C_TestStyle", "操作题"},
           {"I_TypeID", 3},
           {"C_Startexe", "wordexe.exe"}}}},
        {"tbl_title",
         {{{"I_QuestionNo", 1},
           {"M_Title", "设置标题字体"},
           {"I_TypeID", 3},
           {"C_DataCode", nullptr},
           {"C_RecCode", ""}}}}}},
      {"analysis",
       {{"tbl_Account", {{{"I_QuestionNo", 1}, {"S_GetScore", 1.5}, {"I_RECNO", 9}}}},
        {"tbl_AnalysisPaper",
         {{{"I_QuestionNo", 1},
           {"I_TypeID", 5},
           {"M_StudentAnswer", "黑体，二号"},
           {"M_TopicAns", "黑体"},
           {"M_Analysis", "见评分标准"},
           {"S_Score", 1}}}}}}};
  ASSERT_EQ(Pack("ops", description.dump()).exit_code, 0);
  const std::string page = Page("ops", "ops.zip", "7", "计算机应用基础");
  ASSERT_NE(page, "") << err_;
  EXPECT_TRUE(Has(page, "<table class='operator'><tr><td>1、设置标题字体</td></tr>"));
  EXPECT_TRUE(Has(page, "考生答案：黑体，二号"));
  EXPECT_TRUE(Has(page, "标准答案：黑体"));

  // The question bank holds the numeric type id as a number and the titles
  // as Windows rich text.
  const CliResult dump = Cli({"dump", dir_.File("ops/Pbase.mdb"), "tbl_title"});
  ASSERT_EQ(dump.exit_code, 0) << dump.err;
  const json table = json::parse(dump.out)["tbl_title"];
  EXPECT_EQ(table["columns"][3], json({{"name", "I_TypeID"}, {"type", "long"}}));
  EXPECT_TRUE(
      table["rows"][0]["M_Title"].get<std::string>().starts_with("{\\rtf1\\ansi\\ansicpg936"));
}

TEST_F(PackCommandTest, DescriptionErrorsNameThePlace) {
  struct Case {
    std::string description;
    std::string message;
  };
  const Case cases[] = {
      {"{", "答卷包描述不是有效的 JSON"},
      {"[]", "应为对象"},
      {R"({"pbase": {}})", "缺少 student_id"},
      {R"({"student_id": "1", "student": "x"})", "未知的键 student"},
      {R"({"student_id": "1", "pbase": {"tbl_Title2": []}})", "未知的键 tbl_Title2"},
      {R"({"student_id": "1", "pbase": {"tbl_title": {}}})", "表 tbl_title 应为行的数组"},
      {R"({"student_id": "1", "pbase": {"tbl_title": [1]}})", "表 tbl_title 第 1 行应为对象"},
      {R"({"student_id": "1", "pbase": {"tbl_title": [{}, {"M_Title": [1]}]}})",
       "表 tbl_title 第 2 行的 M_Title 的值应为"},
      {R"({"student_id": "1", "analysis": {"tbl_Account": [{"I_RECNO": {"rtf": 1}}]}})", "I_RECNO"},
      {R"({"student_id": "1", "zip_encryption": "rot13"})", "zip_encryption"},
      {R"({"student_id": "1", "package_name": "../x.zip"})", "不能含路径"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    const CliResult r = Pack("bad", c.description);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(Has(r.err, c.message)) << r.err;
    EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
    EXPECT_FALSE(fs::exists(dir_.File("bad/bad.zip")));
  }
  EXPECT_EQ(Cli({"pack", "x.json"}).exit_code, 2);
  EXPECT_EQ(Cli({"pack", "--out", "o"}).exit_code, 2);
}

TEST_F(PackCommandTest, DemoBuildsBothSamplesAndIsRepeatable) {
  for (int round = 0; round < 2; ++round) {
    const CliResult r = Cli({"demo", "--out", "demo"}, {"-GENERATESHEET_KEY_FILE"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"demo/pages/cs2024020115.html",
                                                      "demo/pages/english-2024010101.html"}));
  }
  const std::string english = ReadFileForTest(dir_.File("demo/pages/english-2024010101.html"));
  EXPECT_TRUE(Has(english, "学号：2024010101&nbsp;&nbsp;姓名：李明&nbsp;&nbsp;科目：英语"));
  EXPECT_TRUE(Has(english, "<div class='bigQuestion'>Passage A"));
  EXPECT_TRUE(Has(english, "<span class='bigTitle'>十、书面表达"));
  const std::string computer = ReadFileForTest(dir_.File("demo/pages/cs2024020115.html"));
  EXPECT_TRUE(Has(computer, "科目：计算机应用基础"));
  EXPECT_TRUE(Has(computer, "<table class='operator'>"));

  // The demo's class: 16 students of each sample in two classes, the
  // sample's own student first, the others with answers of their own; a
  // batch with marks over it gives each subject both classes and a spread
  // of scores, wrong options chosen and questions left unanswered.
  const std::vector<std::string> rows = Lines(ReadFileForTest(dir_.File("demo/students.csv")));
  ASSERT_EQ(rows.size(), 33u);
  EXPECT_EQ(rows[0], "package_folder,zip_name,student_id,student_name,subject,class\r");
  EXPECT_EQ(rows[1],
            "packages/computer-basics-01,cs#2024020115.zip,2024020115,王芳,计算机应用基础,"
            "高一（1）班\r");
  EXPECT_EQ(rows[17],
            "packages/english-01,english-2024010101.zip,2024010101,李明,英语,高一（1）班\r");
  EXPECT_EQ(rows[18],
            "packages/english-02,english-2024010102.zip,2024010102,李佳怡,英语,高一（2）班\r");
  fs::copy_file(GENERATESHEET_SOURCE_DIR "/samples/demo.key", dir_.File("demo.key"));
  fs::permissions(dir_.File("demo.key"), fs::perms::owner_read | fs::perms::owner_write);
  const CliResult batch =
      Cli({"batch", "demo/students.csv", "--out", "class", "--marks", "--key-file", "demo.key"});
  ASSERT_EQ(batch.exit_code, 0) << batch.err;
  const nlohmann::json summary =
      nlohmann::json::parse(ReadFileForTest(dir_.File("class/summary.json")));
  ASSERT_EQ(summary["subjects"].size(), 2u);
  for (const nlohmann::json& subject : summary["subjects"]) {
    SCOPED_TRACE(subject["subject"].get<std::string>());
    EXPECT_EQ(subject["classes"].size(), 2u);
    std::set<double> totals;
    for (const nlohmann::json& student : subject["students"])
      totals.insert(student["total"].get<double>());
    EXPECT_GE(totals.size(), 10u) << "scores of their own";
    double wrong = 0, unanswered = 0;
    for (const nlohmann::json& q : subject["questions"]) {
      if (!q["unanswered"].is_null()) unanswered += q["unanswered"].get<double>();
      for (const nlohmann::json& o : q.value("options", nlohmann::json::array())) {
        if (!o["key"].get<bool>()) wrong += o["share"].get<double>();
      }
    }
    EXPECT_GT(wrong, 0.5);
    EXPECT_GT(unanswered, 0);
  }

  fs::create_directories(dir_.File("mine"));
  WriteFileForTest(dir_.File("mine/keep.txt"), "not the demo's");
  const CliResult r = Cli({"demo", "--out", "mine"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(Has(r.err, "不是之前 demo 的输出")) << r.err;
  EXPECT_TRUE(fs::exists(dir_.File("mine/keep.txt")));
}

}  // namespace
}  // namespace generatesheet::testing
