// Whole pages rendered from real answer packages.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "builder/jet/database.h"
#include "render/paper_fixture.h"

namespace generatesheet {
namespace {

using testing::Cell;
using testing::ChoiceRows;
using testing::PaperTest;
using testing::ReadFileForTest;
using testing::TempDir;
using testing::TextRows;

std::string Options(const std::string& items) { return "<tr><td><ul>" + items + "</ul></td></tr>"; }

TEST_F(PaperTest, GeneralPaperExactly) {
  Section(1, "86", "单选题");
  Section(2, "55", "不显示");
  Section(3, "88", "写作");
  Section(11, "90", "听力");
  Question(1, "1+1=?", "86");
  Option(1, "B", "2");
  Option(1, "A", "1");
  Answer(1, 1, "2", "2", "一加一等于二", 2, "1.5");
  Question(2, "Write about spring.", "88");
  Answer(2, 5, "Spring is warm.", "Model essay", nullptr, 10, "1");
  Question(3, "Listen.", "90");
  Answer(3, 1, "8", "4", nullptr, 1, "0");

  const std::string expected = Header("2.5") +
                               "<div class='bigTitle'>一、单选题</div>"
                               "<table class='singleSelect'><tr><td>1、1+1=?</td></tr>" +
                               Options("<li>A、1</li><li>B、2</li>") +
                               ChoiceRows("B", "B", "一加一等于二") +
                               "</table>"
                               "<div class='lunsu'><span class='bigTitle'>三、写作</span>"
                               "<table class='operator'><tr><td>2、Write about spring.</td></tr>" +
                               TextRows("Spring is warm.", "Model essay", "无") +
                               " </table></div>"
                               "<div class='bigTitle'>11、听力</div>"
                               "<table class='singleSelect'><tr><td>3、Listen.</td></tr>" +
                               Options("") + ChoiceRows("D", "C", "无") + "</table>";
  EXPECT_EQ(expected, Generate());
  EXPECT_TRUE(generated_);
  EXPECT_EQ("", sheet_.ErrMsg());
}

// Every value the general rule dispatches on gets a section of one question;
// the questions are answered under every type code in turn, so each layout
// shows too.  Numbered 1 to 18: every numeral and the digits beyond ten.
TEST_F(PaperTest, EveryDispatchValueAndLayoutCodeExactly) {
  enum Family { kChoice, kCompound, kEssay };
  struct Dispatched {
    const char* code;
    const char* type_name;
    Family family;
  };
  const Dispatched dispatched[] = {
      {"86", "", kChoice},          {"90", "", kChoice},          {"701", "", kChoice},
      {"702", "", kChoice},         {"703", "", kChoice},         {"704", "", kChoice},
      {"87", "", kCompound},        {"900", "", kCompound},       {"88", "", kEssay},
      {"89", "", kEssay},           {"", "单选题", kChoice},      {"", "论述题", kEssay},
      {"", "outlook", kEssay},      {"", "文字处理", kEssay},     {"", "电子表格", kEssay},
      {"", "操作系统应用", kEssay}, {"", "internet应用", kEssay}, {"", "演示文稿", kEssay},
  };
  // 1 is the choice layout, 2, 3 and 7 show no rows, the rest the text layout.
  const int layouts[] = {1, 4, 5, 6, 8, 10, 13, 30, 2, 3, 7};
  const char* numerals[] = {"一", "二", "三", "四", "五", "六", "七", "八", "九", "十"};

  std::string expected = Header("0");
  int no = 0;
  for (const auto& [code, type_name, family] : dispatched) {
    ++no;
    const std::string n = std::to_string(no);
    const std::string style = *code != '\0' ? code : type_name;
    const int layout = layouts[(no - 1) % std::size(layouts)];
    Section(no, code, style, *code != '\0' ? Cell() : Cell(type_name));
    Question(no, "Q" + n, code, std::string("P") + code, *code != '\0' ? Cell() : Cell(type_name));
    Answer(no, layout, "4", "8", "a" + n);
    std::string rows;
    if (layout == 1) rows = ChoiceRows("C", "D", "a" + n);
    if (layout != 1 && layout != 2 && layout != 3 && layout != 7)
      rows = TextRows("4", "8", "a" + n);

    const std::string numeral = no <= 10 ? numerals[no - 1] : n;
    if (family == kEssay) {
      expected += "<div class='lunsu'><span class='bigTitle'>" + numeral + "、" + style +
                  "</span><table class='operator'><tr><td>" + n + "、Q" + n + "</td></tr>" + rows +
                  " </table></div>";
      continue;
    }
    Option(no, "A", "o" + n);
    expected += "<div class='bigTitle'>" + numeral + "、" + style + "</div>";
    if (family == kCompound) {
      Passage(std::string("P") + code, "passage " + n);
      expected += "<div class='bigQuestion'>passage " + n + "</div>";
    }
    expected += "<table class='singleSelect'><tr><td>" + n + "、Q" + n + "</td></tr>" +
                Options("<li>A、o" + n + "</li>") + rows + "</table>";
  }
  // Rows the rule passes over: codes compared exactly, type names unknown,
  // Null or empty.
  const std::pair<Cell, Cell> skipped[] = {{"55", Cell()}, {" 86", Cell()}, {"086", Cell()},
                                           {"", "填空题"}, {"", Cell()},    {"", ""}};
  for (const auto& [code, type_name] : skipped) Section(++no, code, "skipped", type_name);

  EXPECT_EQ(expected, Generate());
  EXPECT_EQ("", sheet_.ErrMsg());
}

// Rows come in question order, not grouped by passage: a passage is written
// before every run of its code, again when the code comes back.
TEST_F(PaperTest, CompoundSectionsExactly) {
  Section(1, "87", "阅读理解");
  Section(2, "900", "完形填空");
  for (int no : {1, 2, 3, 4}) Question(no, "r" + std::to_string(no), "87", no < 3 ? "P" : "Q");
  for (int no : {5, 6, 7}) Question(no, "c" + std::to_string(no), "900", no == 6 ? "Q" : "P");
  Passage("P", "Passage P");
  Passage("Q", "Passage Q");
  Option(1, "B", "乙");
  Option(1, "A", "甲");
  for (int no = 1; no <= 7; ++no) Answer(no, 1, "1", "2", "x");
  const std::string p = "<div class='bigQuestion'>Passage P</div>";
  const std::string q = "<div class='bigQuestion'>Passage Q</div>";
  const auto table = [](int no, const char* text, const std::string& options = "") {
    const std::string n = std::to_string(no);
    return "<table class='singleSelect'><tr><td>" + n + "、" + text + n + "</td></tr>" +
           Options(options) + ChoiceRows("A", "B", "x") + "</table>";
  };
  EXPECT_EQ(Header("0") + "<div class='bigTitle'>一、阅读理解</div>" + p +
                table(1, "r", "<li>A、甲</li><li>B、乙</li>") + table(2, "r") + q + table(3, "r") +
                table(4, "r") + "<div class='bigTitle'>二、完形填空</div>" + p + table(5, "c") + q +
                table(6, "c") + p + table(7, "c"),
            Generate());
  EXPECT_EQ("", sheet_.ErrMsg());
}

TEST_F(PaperTest, PassageCodesAreLiteralsEvenWithQuotes) {
  Section(1, "87", "阅读");
  Question(1, "q", "87", "O'Brien");
  Passage("O'Brien", "quoted passage");
  Answer(1, 1, "1", "1", "a");
  EXPECT_NE(std::string::npos, Generate().find("<div class='bigQuestion'>quoted passage</div>"));
  EXPECT_EQ("", sheet_.ErrMsg());
}

TEST_F(PaperTest, FundamentalsPaperFollowsItsOwnRule) {
  sheet_.SetSubject("计算机应用基础");
  Section(1, "", "选择题", 5, "choose.exe");
  Section(2, "", "Word操作", 3, "word.exe");
  Section(3, "", "大写", 4, "Choose.exe");
  Question(1, "CPU是", "", "", 5);
  Option(1, "A", "中央处理器");
  Answer(1, 1, "1", "1", "解析被隐藏", 1, "2");
  Question(2, "设置标题", "", "", 3);
  Answer(2, 6, "done", "隐藏的标准答案", "解析", 1.5, "3");
  Question(3, "设置页脚", "", "", 4);
  Answer(3, 6, "done", "可见的标准答案", "解析", 1, "0.5");
  const std::string page = Generate();
  EXPECT_NE(std::string::npos,
            page.find("<div class='bigTitle'>一、选择题</div><table "
                      "class='singleSelect'><tr><td>1、CPU是</td></tr>" +
                      Options("<li>A、中央处理器</li>") + ChoiceRows("A", "A", "无") + "</table>"));
  EXPECT_NE(std::string::npos,
            page.find("2、设置标题</td></tr>" + TextRows("done", "无", "解析") + " </table>"));
  EXPECT_NE(std::string::npos,
            page.find("3、设置页脚</td></tr>" + TextRows("done", "可见的标准答案", "解析")));
  EXPECT_NE(std::string::npos, page.find("<div class='lunsu'><span class='bigTitle'>三、大写"));
  EXPECT_NE(std::string::npos, page.find("考生得分：5.5</div>"));
  EXPECT_EQ("", sheet_.ErrMsg());
}

TEST_F(PaperTest, FundamentalsTypeIdsMustBeIntegers) {
  sheet_.SetSubject("计算机应用基础");
  Section(1, "", "选择题", "5 or 1=1", "choose.exe");
  const std::string page = Generate();
  EXPECT_EQ(Header("0") + "<div class='bigTitle'>一、选择题</div>", page);
  EXPECT_EQ(
      "【SingleChoose】生成单选题生成代码信息出错，错误信息：查询值不是整数：5 or "
      "1=1（试卷中没有生成任何试题：请检查科目“计算机应用基础”是否与这份答卷包的试卷相符）",
      sheet_.ErrMsg());
  EXPECT_EQ(Outcome::kWrittenWithErrors, sheet_.PageOutcome());
  // A host reading the failure as data gets the same words, the note too.
  EXPECT_EQ(sheet_.ErrMsg(), sheet_.Failure().message);
  EXPECT_TRUE(sheet_.Failure().description.ends_with("的试卷相符）"))
      << sheet_.Failure().description;
}

TEST_F(PaperTest, EverythingFromTheDatabasesIsEscaped) {
  sheet_.SetStudentName("<b>张三</b>");
  Section(1, "88", "<i>写作</i>");
  Question(1, "Say \"hi\" & <go>", "88");
  Answer(1, 4, "<script>alert(1)</script>", "line one\nline two", "a'b");
  const std::string page = Generate();
  EXPECT_NE(std::string::npos, page.find("姓名：&lt;b&gt;张三&lt;/b&gt;"));
  EXPECT_NE(std::string::npos, page.find("一、&lt;i&gt;写作&lt;/i&gt;</span>"));
  EXPECT_NE(std::string::npos, page.find("1、Say &quot;hi&quot; &amp; &lt;go&gt;</td>"));
  EXPECT_NE(std::string::npos, page.find(TextRows("&lt;script&gt;alert(1)&lt;/script&gt;",
                                                  "line one<br>line two", "a&#39;b")));
  EXPECT_EQ(std::string::npos, page.find("<script>"));
  // The results name the section in plain text.
  EXPECT_EQ((std::vector<std::string>{"一、<i>写作</i>"}), sheet_.ResultSections());
}

TEST_F(PaperTest, ANullTitleDropsItsWholeSectionOnly) {
  Section(1, "86", "单选题");
  Section(2, "88", "写作");
  for (int no = 1; no <= 5; ++no) {
    Question(no, no == 3 ? Cell() : Cell("q" + std::to_string(no)), "86");
    Answer(no, 1, "1", "1", "a");
  }
  Question(6, "essay", "88");
  Answer(6, 4, "s", "t", "a");
  const std::string page = Generate();
  EXPECT_NE(std::string::npos,
            page.find("<div class='bigTitle'>一、单选题</div><div class='lunsu'>"));
  EXPECT_EQ(std::string::npos, page.find("1、q1"));
  EXPECT_NE(std::string::npos, page.find("6、essay"));
  EXPECT_EQ(0u, sheet_.ErrMsg().rfind("【SingleChoose】", 0)) << sheet_.ErrMsg();
  EXPECT_NE(std::string::npos, sheet_.ErrMsg().find("M_Title"));
  // The dropped section's results go with their headings.
  ASSERT_EQ(1u, sheet_.Results().size());
  EXPECT_EQ(6, sheet_.Results()[0].number);
  EXPECT_EQ((std::vector<std::string>{"二、写作"}), sheet_.ResultSections());
  EXPECT_EQ((std::vector<std::string>{"essay"}), sheet_.ResultTexts());
}

TEST_F(PaperTest, ANullScoreDropsTheHeader) {
  Section(1, "88", "写作");
  Question(1, "q", "88");
  Answer(1, 4, "s", "t", "a", 1, nullptr);
  const std::string page = Generate();
  EXPECT_EQ(0u, page.rfind("<div class='lunsu'>", 0)) << page;
  EXPECT_EQ(0u, sheet_.ErrMsg().rfind("【GetPaperTotleInfo】", 0)) << sheet_.ErrMsg();
  EXPECT_NE(std::string::npos, sheet_.ErrMsg().find("S_GetScore"));
}

TEST_F(PaperTest, AQuestionWithoutAnAnswerRowKeepsItsTable) {
  Section(1, "86", "单选题");
  Question(1, "lonely", "86");
  Question(2, "answered", "86");
  Answer(2, 1, "1", "1", "a");
  const std::string page = Generate();
  EXPECT_NE(std::string::npos, page.find("<tr><td>1、lonely</td></tr>" + Options("") + "</table>"));
  EXPECT_NE(std::string::npos, page.find("2、answered"));
  EXPECT_EQ(
      "【GetAnswerAndAnalysis】获取学生答案和标准答案以及解析出错，错误信息：答案库中没有第 1 "
      "题的作答记录",
      sheet_.ErrMsg());
}

TEST_F(PaperTest, ValuesUnderAnotherKeyAreRefusedWithoutLeakingThem) {
  Section(1, "88", "写作");
  Question(1, "q", "88");
  Answer(1, 4, "secret answer", "secret standard", "secret analysis", 1, "1");
  TempDir other;
  WriteNewMasterKeyFile(other.File("other.key"));
  SodiumCipher stranger(ReadMasterKeyFile(other.File("other.key")));
  const std::string page = Generate("1001", &stranger);
  // The header and the answer rows fail; the question itself still shows.
  EXPECT_EQ(
      "<div class='lunsu'><span class='bigTitle'>一、写作</span><table "
      "class='operator'><tr><td>1、q</td></tr> </table></div>",
      page);
  // The first score that does not open names the likely cause.
  EXPECT_EQ(0u, sheet_.ErrMsg().rfind("【GetPaperTotleInfo】", 0)) << sheet_.ErrMsg();
  EXPECT_NE(std::string::npos, sheet_.ErrMsg().find("与此答卷包不符")) << sheet_.ErrMsg();
  EXPECT_EQ(std::string::npos, sheet_.ErrMsg().find("secret"));
  EXPECT_EQ(Outcome::kWrittenWithErrors, sheet_.PageOutcome());
}

TEST_F(PaperTest, TheSameObjectServesTheNextStudent) {
  Section(1, "88", "写作");
  Question(1, "q", "88");
  Answer(1, 4, "first", "t", "a", 1, "3");
  EXPECT_NE(std::string::npos, Generate("1001").find("考生答案：first"));
  paper_.analysis[0]["M_StudentAnswer"] = "second";
  const std::string page = Generate("1002");
  EXPECT_NE(std::string::npos, page.find("考生答案：second")) << sheet_.ErrMsg();
  EXPECT_EQ("", sheet_.ErrMsg());

  // The next one comes from a host that joins folders with "\", as the old
  // component's hosts do: folder a/b, and the page beside the package.
  paper_.student_id = "1003";
  sheet_.SetStudentID("1003");
  paper_.analysis[0]["M_StudentAnswer"] = "third";
  const std::string bak = dir_.File("a/b");
  std::filesystem::create_directories(bak);
  builder::BuildAnswerPackage(paper_, *cipher_, bak + "/1003.zip");
  sheet_.SetBakDataPath(dir_.path() + "\\a\\b");
  sheet_.SetZipPaperName("1003.zip");
  sheet_.SetHTMLPaperPath(dir_.path() + "\\a\\b\\");
  EXPECT_TRUE(sheet_.GenerateSheet());
  ASSERT_EQ(bak + "/1003.html", sheet_.PagePath()) << sheet_.ErrMsg();
  const std::string third = ReadFileForTest(sheet_.PagePath());
  EXPECT_NE(std::string::npos, third.find("学号：1003")) << third;
  EXPECT_NE(std::string::npos, third.find("考生答案：third")) << third;
  EXPECT_EQ("", sheet_.ErrMsg());
  EXPECT_EQ(Outcome::kComplete, sheet_.PageOutcome());
  EXPECT_FALSE(std::filesystem::exists(dir_.path() + "\\a\\b"));
}

TEST_F(PaperTest, ANullDataCodeEmptiesTheBody) {
  Section(1, "86", "单选题");
  Section(2, nullptr, "坏");
  Question(1, "q", "86");
  Answer(1, 1, "1", "1", "a");
  EXPECT_EQ(Header("0"), Generate());
  EXPECT_EQ(0u, sheet_.ErrMsg().rfind("【SelectPaper】", 0)) << sheet_.ErrMsg();
}

}  // namespace
}  // namespace generatesheet

namespace generatesheet {
namespace {

using testing::PaperTest;

TEST_F(PaperTest, PlaceholdersInsideTheContentStayAsTheyAre) {
  testing::WriteFileForTest(dir_.File("template.html"), "<h1>$Title$</h1>$Content$");
  sheet_.SetStudentID("$Title$");
  paper_.student_id = "$Title$";
  sheet_.SetStudentName("$Content$");
  const std::string page = Generate();
  EXPECT_EQ(
      0u, page.find("<h1>生成的网页标题</h1><div class='paperTitle'>学号：$Title$&nbsp;&nbsp;姓名："
                    "$Content$&nbsp;&nbsp;"))
      << page;
}

// With the student's title asked for, "$Title$" names the student, as text
// that cannot open markup; a placeholder in a name is not filled again.
TEST_F(PaperTest, TheStudentsTitleNamesTheStudentEscaped) {
  testing::WriteFileForTest(dir_.File("template.html"),
                            "<title>$Title$</title><p title=\"$Title$\">$Content$");
  Section(1, "88", "写作");
  Question(1, "q", "88");
  Answer(1, 4, "s", "t", "a");
  EXPECT_FALSE(sheet_.StudentTitle());
  sheet_.SetStudentTitle(true);
  for (const auto& [name, subject, title] :
       {std::tuple<const char*, const char*, const char*>{"张三", "英语", "1001 张三 英语"},
        {"<b>A & \"B\"</b>", "英语", "1001 &lt;b&gt;A &amp; &quot;B&quot;&lt;/b&gt; 英语"},
        {"$Content$", "英语", "1001 $Content$ 英语"},
        {"", "英语", "1001 英语"}}) {
    SCOPED_TRACE(name);
    sheet_.SetStudentName(name);
    sheet_.SetSubject(subject);
    const std::string page = Generate();
    EXPECT_EQ(0u, page.find(std::string("<title>") + title + "</title><p title=\"" + title +
                            "\"><div class='paperTitle'>学号：1001&nbsp;&nbsp;"))
        << page;
    EXPECT_EQ("", sheet_.ErrMsg());
  }
}

// The old page is a second name of another file here: a page written in
// place, through the old file, would change that file too.
TEST_F(PaperTest, TheOldPageIsReplacedNotWrittenThrough) {
  Section(1, "88", "写作");
  Question(1, "q", "88");
  Answer(1, 4, "s", "t", "a");
  const std::string sentinel = dir_.File("sentinel.html");
  testing::WriteFileForTest(sentinel, "sentinel");
  std::filesystem::create_hard_link(sentinel, dir_.File("pages/1001.html"));
  EXPECT_NE(std::string::npos, Generate().find("1、q"));
  EXPECT_EQ(dir_.File("pages/1001.html"), sheet_.PagePath());
  EXPECT_EQ("sentinel", testing::ReadFileForTest(sentinel));
  EXPECT_EQ(1u, std::filesystem::hard_link_count(sentinel));
}

TEST_F(PaperTest, ThreadsEachWithTheirOwnObjectGetTheirOwnPages) {
  Section(1, "86", "单选题");
  Section(2, "87", "阅读");
  for (int no = 1; no <= 6; ++no) {
    Question(no, "题目" + std::to_string(no) + "：中文", no <= 3 ? "86" : "87", "P");
    Option(no, "A", "选项甲");
    Answer(no, 1, "1", "2", "解析");
  }
  Passage("P", "短文");
  constexpr int kStudents = 6;
  std::vector<std::string> expected;
  for (int i = 0; i < kStudents; ++i) {
    paper_.student_id = sheet_.StudentID();
    paper_.analysis[0]["M_StudentAnswer"] = std::to_string(1 << (i % 4));
    expected.push_back(Generate("s" + std::to_string(i)));
    ASSERT_EQ("", sheet_.ErrMsg());
  }
  std::vector<std::string> pages(kStudents);
  std::vector<std::thread> threads;
  for (int i = 0; i < kStudents; ++i) {
    threads.emplace_back([&, i] {
      CreateHtml sheet;
      sheet.SetStudentID("1001");
      sheet.SetStudentName("张三");
      sheet.SetSubject("英语");
      sheet.SetTemplatePath(dir_.File("template.html"));
      sheet.SetHTMLPaperPath(dir_.File("pages") + "/");
      sheet.SetBakDataPath(dir_.File("s" + std::to_string(i)));
      sheet.SetZipPaperName("s" + std::to_string(i) + ".zip");
      for (int round = 0; round < 3; ++round) {
        sheet.GenerateSheet();
        pages[i] = sheet.PagePath().empty() ? "failed: " + sheet.ErrMsg()
                                            : testing::ReadFileForTest(sheet.PagePath());
      }
    });
  }
  for (std::thread& t : threads) t.join();
  for (int i = 0; i < kStudents; ++i) EXPECT_EQ(expected[i] + "\r\n", pages[i]) << i;
}

}  // namespace
}  // namespace generatesheet

namespace generatesheet {
namespace {

using testing::ChoiceRows;
using testing::PaperTest;
using testing::TextRows;

std::string Marks(const std::string& marks, const std::string& verdict) {
  return "<tr><td class='marks'>得分：" + marks + " " + verdict + "</td></tr>";
}

// Every verdict, and every way a mark can be missing, on one marked page.
TEST_F(PaperTest, MarkedPageShowsEachVerdictAndNeverGuessesOne) {
  Section(1, "86", "单选题");
  Section(3, "88", "写作");
  Question(1, "q1", "86");
  Option(1, "A", "a");
  Option(1, "B", "b");
  Answer(1, 1, "2", "2", nullptr, 4, "4");
  Question(2, "q2", "86");
  Answer(2, 1, "1", "2", nullptr, 4, "0");
  Question(3, "q3", "86");
  Answer(3, 1, nullptr, "2", nullptr, 4, "0");
  Question(4, "q4", "88");
  Answer(4, 5, "draft", "model", nullptr, 10, "6.5");
  Question(5, "q5", "88");
  Answer(5, 5, "no full marks", nullptr, nullptr, nullptr, "3");
  Question(6, "q6", "88");
  Answer(6, 5, "no score", nullptr, nullptr, 2, nullptr);
  Question(7, "q7", "88");
  Answer(7, 5, "bad score", nullptr, nullptr, 2, "abc");
  sheet_.SetMarks(true);

  // The header fails on the unreadable scores, as without marks; every
  // other question still gets its mark.
  const std::string unknown = "<span class='verdict unknown'>—</span>";
  const std::string expected =
      "<div class='bigTitle'>一、单选题<span class='sectionScore'>本题得分 4 / 12</span></div>"
      "<table class='singleSelect'><tr><td>1、q1</td></tr><tr><td><ul><li>A、a</li><li>B、b</li>"
      "</ul></td></tr>" +
      ChoiceRows("B", "B", "无") + Marks("4 / 4", "<span class='verdict correct'>✔ 正确</span>") +
      "</table><table class='singleSelect'><tr><td>2、q2</td></tr><tr><td><ul></ul></td></tr>" +
      ChoiceRows("A", "B", "无") + Marks("0 / 4", "<span class='verdict wrong'>✘ 错误</span>") +
      "</table><table class='singleSelect'><tr><td>3、q3</td></tr><tr><td><ul></ul></td></tr>" +
      ChoiceRows("无", "B", "无") +
      Marks("0 / 4", "<span class='verdict unanswered'>○ 未作答</span>") +
      "</table><div class='lunsu'><span class='bigTitle'>三、写作<span "
      "class='sectionScore'>本题得分 — / —</span></span>"
      "<table class='operator'><tr><td>4、q4</td></tr>" +
      TextRows("draft", "model", "无") +
      Marks("6.5 / 10", "<span class='verdict partial'>◐ 部分得分</span>") +
      " </table><table class='operator'><tr><td>5、q5</td></tr>" +
      TextRows("no full marks", "无", "无") + Marks("3 / —", unknown) +
      " </table><table class='operator'><tr><td>6、q6</td></tr>" +
      TextRows("no score", "无", "无") + Marks("— / 2", unknown) +
      " </table><table class='operator'><tr><td>7、q7</td></tr>" +
      TextRows("bad score", "无", "无") + Marks("— / 2", unknown) + " </table></div>";
  EXPECT_EQ(expected, Generate());
  EXPECT_EQ(
      "【GetAnswerAndAnalysis】获取学生答案和标准答案以及解析出错，错误信息：第 7 "
      "题的得分不是有效的数字",
      sheet_.ErrMsg());

  const std::vector<QuestionResult>& results = sheet_.Results();
  ASSERT_EQ(7u, results.size());
  const Verdict verdicts[] = {Verdict::kCorrect, Verdict::kWrong,   Verdict::kUnanswered,
                              Verdict::kPartial, Verdict::kUnknown, Verdict::kUnknown,
                              Verdict::kUnknown};
  for (size_t i = 0; i < results.size(); ++i) {
    EXPECT_EQ(static_cast<int>(i) + 1, results[i].number);
    EXPECT_EQ(verdicts[i], results[i].verdict) << results[i].number;
  }
  EXPECT_EQ(QuestionFamily::kSingleChoice, results[0].family);
  EXPECT_EQ((std::vector<std::string>{"A", "B"}), results[0].options);
  EXPECT_EQ("A", results[1].student_answer);
  EXPECT_EQ("B", results[1].standard_answer);
  EXPECT_FALSE(results[2].student_answered);
  EXPECT_EQ(QuestionFamily::kEssay, results[3].family);
  EXPECT_EQ("6.5", results[3].obtained);
  EXPECT_EQ("10", results[3].full);
  EXPECT_EQ("第 5 题的满分（S_Score）为空", results[4].error);
  EXPECT_NE(std::string::npos, results[5].error.find("S_GetScore")) << results[5].error;
  EXPECT_EQ("", results[5].obtained);
  // Each result's section, headed as on the page (the numeral from I_CmdId).
  EXPECT_EQ((std::vector<std::string>{"一、单选题", "一、单选题", "一、单选题", "三、写作",
                                      "三、写作", "三、写作", "三、写作"}),
            sheet_.ResultSections());

  // Without marks the same package gives the page without them, and the
  // same results.
  sheet_.SetMarks(false);
  const std::string plain = Generate("1002");
  EXPECT_EQ(std::string::npos, plain.find("class='marks'"));
  EXPECT_EQ(std::string::npos, plain.find("sectionScore"));
  EXPECT_EQ(0u, sheet_.ErrMsg().rfind("【GetPaperTotleInfo】", 0)) << sheet_.ErrMsg();
  ASSERT_EQ(7u, sheet_.Results().size());
  EXPECT_EQ(Verdict::kPartial, sheet_.Results()[3].verdict);
  EXPECT_EQ("3", sheet_.Results()[4].obtained);
  EXPECT_EQ(7u, sheet_.ResultSections().size());
}

// One question as stored in an answer database.
struct StoredAnswer {
  int number;
  int type;
  std::string student, standard, analysis, obtained;
};

// Packs the paper's question bank with an answer database whose
// tbl_AnalysisPaper has no S_Score column (the builder always writes one),
// as <dir>/<folder>/<folder>.zip.
class PaperWithoutFullMarksTest : public PaperTest {
 protected:
  void Pack(const std::string& folder, const std::vector<StoredAnswer>& answers) {
    const std::string staging = dir_.File(folder + "-staging");
    std::filesystem::create_directories(staging);
    builder::WriteDatabases(paper_, *cipher_, staging, {"", false});
    WriteAnswers(staging + "/Analysis.mdb", answers);
    cipher_->EncryptFile(staging + "/Analysis.mdb");
    std::filesystem::create_directories(dir_.File(folder));
    builder::WriteZip(
        dir_.File(folder) + "/" + folder + ".zip",
        {{"Pbase.mdb", staging + "/Pbase.mdb"}, {"Analysis.mdb", staging + "/Analysis.mdb"}}, "qvk",
        "aes256");
  }

 private:
  void WriteAnswers(const std::string& path, const std::vector<StoredAnswer>& answers) {
    using jet::ColumnType;
    jet::Database db;
    jet::Table& accounts = db.AddTable("tbl_Account", {{"I_QuestionNo", ColumnType::kLong},
                                                       {"S_GetScore", ColumnType::kMemo},
                                                       {"I_RECNO", ColumnType::kLong}});
    jet::Table& analysis = db.AddTable("tbl_AnalysisPaper", {{"I_QuestionNo", ColumnType::kLong},
                                                             {"I_TypeID", ColumnType::kLong},
                                                             {"M_StudentAnswer", ColumnType::kMemo},
                                                             {"M_TopicAns", ColumnType::kMemo},
                                                             {"M_Analysis", ColumnType::kMemo}});
    for (const StoredAnswer& a : answers) {
      const std::string question_key = cipher_->DeriveQuestionKey(std::to_string(a.number), "1001");
      const int record = 500 + a.number;
      const std::string record_key = std::to_string(record);
      accounts.AddRow({a.number, cipher_->EncryptString(a.obtained, question_key), record});
      analysis.AddRow({a.number, a.type, cipher_->EncryptString(a.student, question_key),
                       cipher_->EncryptString(a.standard, record_key),
                       cipher_->EncryptString(a.analysis, record_key)});
    }
    db.Save(path);
  }
};

// A choice question's rows do not need S_Score: without marks, a database
// without that column gives the same page and no error; with marks, the
// mark it would give shows "—" and the missing column is reported.
TEST_F(PaperWithoutFullMarksTest, AChoiceQuestionKeepsItsRows) {
  Section(1, "86", "单选题");
  Question(1, "q", "86");
  Option(1, "A", "a");
  Answer(1, 1, "1", "2", "why", 2, "0");
  const std::string page = Generate("1001");
  ASSERT_NE(std::string::npos, page.find(ChoiceRows("A", "B", "why"))) << page;
  ASSERT_EQ("", sheet_.ErrMsg());

  Pack("1002", {{1, 1, "1", "2", "why", "0"}});
  EXPECT_EQ(page, Run("1002"));
  EXPECT_EQ("", sheet_.ErrMsg());
  EXPECT_EQ(Outcome::kComplete, sheet_.PageOutcome());
  ASSERT_EQ(1u, sheet_.Results().size());
  EXPECT_EQ("B", sheet_.Results()[0].standard_answer);
  EXPECT_EQ("", sheet_.Results()[0].full);
  EXPECT_NE(std::string::npos, sheet_.Results()[0].error.find("S_Score"));

  sheet_.SetMarks(true);
  Pack("1003", {{1, 1, "1", "2", "why", "0"}});
  EXPECT_NE(std::string::npos,
            Run("1003").find(ChoiceRows("A", "B", "why") +
                             Marks("0 / —", "<span class='verdict unknown'>—</span>")));
  EXPECT_EQ(
      "【GetAnswerAndAnalysis】获取学生答案和标准答案以及解析出错，错误信息：第 1 "
      "题的满分（S_Score）无法读取：答案库的 tbl_AnalysisPaper 表中没有 S_Score 字段",
      sheet_.ErrMsg());
}

// Each guard of the verdict: a score beyond the full marks or below 0, full
// marks of 0, and an answer row that could not be read leave the verdict
// unknown with the reason; an answer of blanks and line breaks only is no
// answer, while the page shows it as stored.
TEST_F(PaperTest, MarksOutOfRangeOrUnreadAreNeverJudged) {
  struct Case {
    int number;
    const char* marks;  // as the marks row shows them
    Verdict verdict;
    std::string error;
  };
  const Case cases[] = {
      {1, "5 / 4", Verdict::kUnknown, "第 1 题的得分 5 不在 0 与满分 4 之间"},
      {2, "0 / 0", Verdict::kUnknown, "第 2 题的得分 0 不在 0 与满分 0 之间"},
      {3, "-1 / 4", Verdict::kUnknown, "第 3 题的得分 -1 不在 0 与满分 4 之间"},
      {4, "0 / 10", Verdict::kUnanswered, ""},
      {5, "0 / 2", Verdict::kUnanswered, ""},
      {6, "3 / —", Verdict::kUnknown, "第 6 题的作答记录未能读出"},
      {7, "2 / —", Verdict::kUnknown, "第 7 题的作答记录未能读出"},
  };
  Section(1, "88", "写作");
  Section(2, "86", "单选题");
  for (int no = 1; no <= 7; ++no) Question(no, "q" + std::to_string(no), no == 5 ? "86" : "88");
  Answer(1, 5, "draft", nullptr, nullptr, 4, "5");
  Answer(2, 5, "draft", nullptr, nullptr, 0, "0");
  Answer(3, 5, "draft", nullptr, nullptr, 4, "-1");
  Answer(4, 5, "  \r\n \r\n", nullptr, nullptr, 10, "0");
  Answer(5, 1, " ", "2", nullptr, 2, "0");
  // The full marks overflow the 16-bit score the text layout reads.
  Answer(6, 5, "draft", "model", nullptr, 100000, "3");
  // A score, but no answer row.
  paper_.accounts.push_back({{"I_QuestionNo", 7}, {"S_GetScore", "2"}, {"I_RECNO", 507}});
  sheet_.SetMarks(true);
  const std::string page = Generate();
  const std::vector<QuestionResult>& results = sheet_.Results();
  ASSERT_EQ(results.size(), std::size(cases));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.number);
    const auto r = *std::find_if(results.begin(), results.end(),
                                 [&](const QuestionResult& q) { return q.number == c.number; });
    EXPECT_EQ(r.verdict, c.verdict);
    EXPECT_EQ(r.error, c.error);
    const std::string verdict = c.verdict == Verdict::kUnanswered
                                    ? "<span class='verdict unanswered'>○ 未作答</span>"
                                    : "<span class='verdict unknown'>—</span>";
    const size_t table = page.find("<tr><td>" + std::to_string(c.number) + "、q");
    ASSERT_NE(table, std::string::npos) << page;
    EXPECT_EQ(page.find("<td class='marks'>", table),
              page.find("<td class='marks'>得分：" + std::string(c.marks) + " " + verdict, table))
        << page.substr(table, 600);
  }
  for (const QuestionResult& r : results) {
    EXPECT_EQ(r.student_answered, r.number != 4 && r.number != 5 && r.number < 6) << r.number;
  }

  // Without marks the blank answers show as stored: they are not Null.
  sheet_.SetMarks(false);
  const std::string plain = Generate("1002");
  EXPECT_NE(plain.find("<tr><td>4、q4</td></tr>" + TextRows("  <br> <br>", "无", "无")),
            std::string::npos)
      << plain;
  EXPECT_NE(plain.find(ChoiceRows(" ", "B", "无")), std::string::npos) << plain;
}

// A complete marked page keeps the header exactly as it was.
TEST_F(PaperTest, MarkedPageKeepsTheHeader) {
  Section(1, "86", "单选题");
  Question(1, "q", "86");
  Answer(1, 1, "4", "4", "why", 2, "1.5");
  sheet_.SetMarks(true);
  EXPECT_EQ(Header("1.5") +
                "<div class='bigTitle'>一、单选题<span class='sectionScore'>本题得分 1.5 / "
                "2</span></div><table class='singleSelect'><tr><td>1、q</td></tr>"
                "<tr><td><ul></ul></td></tr>" +
                ChoiceRows("C", "C", "why") +
                Marks("1.5 / 2", "<span class='verdict partial'>◐ 部分得分</span>") + "</table>",
            Generate());
  EXPECT_EQ("", sheet_.ErrMsg());
}

}  // namespace
}  // namespace generatesheet
