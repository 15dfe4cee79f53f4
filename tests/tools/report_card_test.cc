// Report cards of a real class: packages made with the package builder, run
// by `batch --marks --report-cards`, every figure on a card worked out here
// from the scores the packages were made with.
#include <cstdlib>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "tools/cli_fixture.h"
#include "tools/job/output_files.h"
#include "tools/pdf/pdf_printer.h"
#include "tools/summary/report_card.h"

namespace generatesheet::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// A student of the class: scores of questions 1 and 2 (单选题, 5 points
// each; "" unanswered, else the letter given; the key is B) and of 3
// (写作, 10 points).
struct Pupil {
  std::string id, name, class_name;
  std::string answer1, answer2;
  int essay = 0;
};

const char* Code(const std::string& letter) { return letter == "A" ? "1" : "2"; }

builder::PackageDescription PaperOf(const Pupil& p) {
  builder::PackageDescription d;
  d.student_id = p.id;
  d.question_types.push_back({{"I_CmdId", 1}, {"C_DataCode", "86"}, {"C_TestStyle", "单选题"}});
  d.question_types.push_back({{"I_CmdId", 2}, {"C_DataCode", "88"}, {"C_TestStyle", "写作"}});
  const std::string answers[] = {p.answer1, p.answer2};
  for (int n = 1; n <= 3; ++n) {
    const bool choice = n < 3;
    d.titles.push_back({{"I_QuestionNo", n},
                        {"M_Title", "题目 " + std::to_string(n)},
                        {"C_DataCode", choice ? "86" : "88"}});
    const std::string obtained =
        choice ? (answers[n - 1] == "B" ? "5" : "0") : std::to_string(p.essay);
    d.accounts.push_back({{"I_QuestionNo", n}, {"S_GetScore", obtained}, {"I_RECNO", 100 + n}});
    if (choice) {
      for (const char* letter : {"A", "B"}) {
        d.choices.push_back({{"I_QuestionNo", n},
                             {"C_ChoiceAnswer", letter},
                             {"M_AnswerCont", std::string("选项") + letter}});
      }
    }
    const std::string& given = choice ? answers[n - 1] : "作文";
    d.analysis.push_back(
        {{"I_QuestionNo", n},
         {"I_TypeID", choice ? 1 : 5},
         {"M_StudentAnswer",
          given.empty() ? builder::Cell() : builder::Cell(choice ? Code(given) : given)},
         {"M_TopicAns", choice ? "2" : "范文"},
         {"S_Score", choice ? 5 : 10}});
  }
  return d;
}

// The class: three in 一班 (S1 the top student, S3 with a hostile name), S4
// alone in 二班, and S5 of 一班 whose package is missing.
const std::vector<Pupil> kClass = {
    {"S1", "王一", "一班", "B", "B", 9},
    {"S2", "李二", "一班", "B", "A", 6},
    {"S3", "</style><script>alert(1)</script>\"'", "一班", "A", "", 4},
    {"S4", "赵四", "二班", "B", "A", 7},
    {"S5", "钱五", "一班", "B", "B", 10},
};

std::string Csv(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

class ReportCardTest : public CliTest {
 protected:
  void SetUp() override {
    std::string csv = "package_folder,zip_name,student_id,student_name,subject,班级\n";
    for (const Pupil& p : kClass) {
      fs::create_directories(dir_.File("p/" + p.id));
      if (p.id != "S5")
        builder::BuildAnswerPackage(PaperOf(p), *cipher_,
                                    dir_.File("p/" + p.id + "/" + p.id + ".zip"));
      csv += "p/" + p.id + "," + p.id + ".zip," + p.id + "," + Csv(p.name) + ",语文," +
             p.class_name + "\n";
    }
    WriteFileForTest(dir_.File("class.csv"), csv);
  }

  CliResult Batch(std::vector<std::string> more) {
    std::vector<std::string> args = {"batch", "class.csv",  "--out",   "out",    "--jobs",
                                     "1",     "--key-file", key_file_, "--marks"};
    args.insert(args.end(), more.begin(), more.end());
    return Cli(args);
  }

  std::string Card(const std::string& id) {
    return ReadFileForTest(dir_.File("out/" + id + ".card.html"));
  }
};

// A section's first cell.
std::string Section(const std::string& heading) { return "<td>" + heading + "</td>"; }

// "<td class="number">TEXT</td>" as the card writes a figure.
std::string Figure(const std::string& text) { return "<td class=\"number\">" + text + "</td>"; }

TEST_F(ReportCardTest, CardsOfTheTopStudentAStudentAloneAndNoneForAFailedPage) {
  const CliResult r = Batch({"--report-cards"});
  ASSERT_EQ(r.exit_code, 1) << r.err;  // S5's page is not written
  EXPECT_NE(r.err.find("成绩报告单：4 张；1 名考生没有成绩报告单"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("没有成绩报告单：学号 S5，钱五：页面未写出"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir_.File("out/S5.card.html")));

  // Totals 19, 11, 4 and 12 of 20; 单选题 10, 5, 0, 5; 写作 9, 6, 4, 7.
  const std::string top = Card("S1");
  for (const std::string& figure :
       {Figure("19 / 20"), Figure("95.0%"), Figure("1 / 3"), Figure("1 / 4"),
        // 100·(3 below + ½ for the student's own place) / 4; T = 50 + 10z,
        // z = (19 − 11.5) / √(113 / 3)
        Figure("87.5") + Figure("62.2"),
        // 单选题: own 10, 一班 (10 + 5 + 0) / 3, year 20 / 4; 写作 own 9,
        // 一班 19 / 3, year 26 / 4.
        Section("一、单选题") + Figure("10") + Figure("10") + Figure("5.0") + Figure("5.0"),
        Section("二、写作") + Figure("10") + Figure("9") + Figure("6.3") + Figure("6.5"),
        // right, partly right, wrong, unanswered
        Figure("2") + Figure("1") + Figure("0") + Figure("0"),
        // The one point lost, on question 3; the year scored 26 of 40 on it.
        Figure("第 3 题") + "<td>论述题</td>" + Figure("9 / 10") + Figure("1") + Figure("65.0%")}) {
    EXPECT_NE(top.find(figure), std::string::npos) << figure << "\n" << top;
  }
  EXPECT_NE(top.find("aria-label=\"本人 10，班级平均 5，年级平均 5\""), std::string::npos) << top;

  // Alone in 二班: first of one, the class's means its own.
  const std::string alone = Card("S4");
  for (const std::string& figure :
       {Figure("12 / 20"), Figure("1 / 1（班级仅 1 人）"), Figure("2 / 4"),
        Figure("62.5") + Figure("50.8"),
        Section("一、单选题") + Figure("10") + Figure("5") + Figure("5.0") + Figure("5.0"),
        Section("二、写作") + Figure("10") + Figure("7") + Figure("7.0") + Figure("6.5"),
        // Question 2 lost most (5 points, the year's 25%), then 3 (3 points).
        Figure("第 2 题") + "<td>单选题</td>" + Figure("0 / 5") + Figure("5") + Figure("25.0%")}) {
    EXPECT_NE(alone.find(figure), std::string::npos) << figure << "\n" << alone;
  }
  EXPECT_LT(alone.find("第 2 题"), alone.find("第 3 题"));
  EXPECT_EQ(alone.find("第 1 题"), std::string::npos);

  // A hostile name is text, the card runs nothing.
  const std::string hostile = Card("S3");
  EXPECT_EQ(hostile.find("<script"), std::string::npos);
  EXPECT_EQ(hostile.find("</style><"), std::string::npos);
  EXPECT_NE(hostile.find("&lt;/style&gt;&lt;script&gt;alert(1)&lt;/script&gt;&quot;&#39;"),
            std::string::npos)
      << hostile;
  EXPECT_NE(hostile.find("default-src 'none'"), std::string::npos);
  // Wrong 1, unanswered 1, the essay partly right; 4 of 40 and last of 4.
  EXPECT_NE(hostile.find(Figure("0") + Figure("1") + Figure("1") + Figure("1")), std::string::npos);
  EXPECT_NE(hostile.find(Figure("3 / 3")), std::string::npos);

  // The archive lists each card as the student's; verify passes.
  const json manifest = json::parse(ReadFileForTest(dir_.File("out/MANIFEST.json")));
  size_t cards = 0;
  for (const json& f : manifest["files"]) cards += f["kind"] == "card";
  EXPECT_EQ(cards, 4u);
  for (const json& s : manifest["students"]) {
    EXPECT_EQ(s["card"], s["student_id"] == "S5"
                             ? json(nullptr)
                             : json(s["student_id"].get<std::string>() + ".card.html"))
        << s;
  }
  const CliResult verified = Cli({"verify", "out"});
  EXPECT_EQ(verified.exit_code, 0) << verified.out << verified.err;

  // A run without cards takes the earlier ones away: they would tell old figures.
  const CliResult again = Batch({});
  EXPECT_NE(again.err.find("已删除上次运行的成绩报告单"), std::string::npos) << again.err;
  EXPECT_FALSE(fs::exists(dir_.File("out/S1.card.html")));
}

// summary --report-cards writes the batch's cards from the results files
// alone: the same cards, listed in the manifest; without a browser, the
// cards' pages only, and it says so.
TEST_F(ReportCardTest, TheSummaryWritesTheSameCardsAndListsThem) {
  ASSERT_EQ(Batch({"--report-cards"}).exit_code, 1);  // S5's page is not written
  std::map<std::string, std::string> by_batch;
  for (const char* id : {"S1", "S2", "S3", "S4"}) {
    by_batch[id] = Card(id);
    fs::remove(dir_.File("out/" + std::string(id) + ".card.html"));
  }
  WriteFileForTest(dir_.File("out/cards.pdf"), "a cards.pdf of an earlier run");
  const CliResult r = Cli({"summary", "out", "--report-cards"},
                          {"GENERATESHEET_BROWSER=" + dir_.File("no-browser-here")});
  EXPECT_NE(r.err.find("成绩报告单：4 张；1 名考生没有成绩报告单"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("只写出成绩报告单网页，未生成 cards.pdf："), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir_.File("out/cards.pdf"))) << "an earlier one tells old figures";
  EXPECT_FALSE(fs::exists(dir_.File("out/S5.card.html")));
  const std::string manifest = ReadFileForTest(dir_.File("out/MANIFEST.json"));
  for (const auto& [id, card] : by_batch) {
    EXPECT_EQ(Card(id), card) << id;
    EXPECT_NE(manifest.find("\"" + id + ".card.html\""), std::string::npos) << id;
  }
  EXPECT_EQ(Cli({"verify", "out"}).exit_code, 0);

  // Without --report-cards the summary leaves the cards as they are.
  Cli({"summary", "out"});
  EXPECT_EQ(Card("S1"), by_batch["S1"]);
}

// A card whose name is another student's page is not written over it.
TEST_F(ReportCardTest, ACardNeverTakesAnotherFilesName) {
  std::string csv = ReadFileForTest(dir_.File("class.csv"));
  fs::create_directories(dir_.File("p/x"));
  Pupil six = kClass[0];
  six.id = "S6";
  builder::BuildAnswerPackage(PaperOf(six), *cipher_, dir_.File("p/x/S1.card.zip"));
  WriteFileForTest(dir_.File("class.csv"), csv + "p/x,S1.card.zip,S6,孙六,语文,一班\n");
  const CliResult r = Batch({"--report-cards"});
  EXPECT_NE(r.err.find("成绩报告单未写出：S1.card.html 是本批次另一个文件的名字"),
            std::string::npos)
      << r.err;
  EXPECT_NE(ReadFileForTest(dir_.File("out/S1.card.html")).find("<div class='paperTitle'>学号：S6"),
            std::string::npos);
}

// The card of figures given straight: the section's title without its
// instruction, unknown figures as "—", control characters and markup in a
// name as text, and no class as 未分班.
TEST(ReportCardHtmlTest, HeadingsUnknownFiguresAndHostileText) {
  cli::ReportCard card;
  card.student_id =
      "A\x01\x7f"
      "1";
  card.student_name = "<img src=x onerror=alert(1)>\xc2\x85";
  card.subject = "";
  card.total = "7.5";
  card.full = 10;
  card.year_place = cli::Place{2, 3};
  card.sections = {{"一、单项选择", 9, 4.5, std::nullopt, 6}, {"二、写作", 0, std::nullopt, 1, 2}};
  card.lost = {{7, "单选题", 0, 3, std::nullopt}};
  const std::string html = cli::ReportCardHtml(card);
  for (const std::string& piece :
       {std::string("<td class=\"name\">A\xEF\xBF\xBD\xEF\xBF\xBD"
                    "1</td>"),
        std::string("&lt;img src=x onerror=alert(1)&gt;\xEF\xBF\xBD</td>"),
        std::string("<td class=\"name\">未分班</td>"), std::string("科目：未注明科目"),
        std::string(">一、单项选择</td>") + Figure("9") + Figure("4.5") + Figure("—") +
            Figure("6.0"),
        std::string(">二、写作</td>") + Figure("—") + Figure("—"),
        Figure("7.5 / 10") + Figure("—") + Figure("—") + Figure("2 / 3"),
        Figure("第 7 题") + "<td>单选题</td>" + Figure("0 / 3") + Figure("3") + Figure("—"),
        std::string("aria-label=\"本人 4.5，班级平均 —，年级平均 6\"")}) {
    EXPECT_NE(html.find(piece), std::string::npos) << piece << "\n" << html;
  }
  EXPECT_EQ(html.find("<img"), std::string::npos);
  EXPECT_EQ(html.find('\x01'), std::string::npos);
  EXPECT_EQ(cli::CardFileName("a.b.html"), "a.b.card.html");
  EXPECT_EQ(cli::CardFileName("page"), "page.card.html");

  // Many cards as one document: each a section of its own.
  const std::string many = cli::ReportCardsDocument({card, card});
  EXPECT_EQ(many.find("<main"), std::string::npos);
  size_t sections = 0;
  for (size_t at = many.find("<section class=\"card\">"); at != std::string::npos;
       at = many.find("<section class=\"card\">", at + 1)) {
    ++sections;
  }
  EXPECT_EQ(sections, 2u);
}

// The output of a shell command.
std::string Shell(const std::string& command, const std::string& scratch) {
  EXPECT_EQ(std::system((command + " >" + ShellQuote(scratch)).c_str()), 0) << command;
  return ReadFileForTest(scratch);
}

int Pages(const std::string& pdf, const std::string& scratch) {
  const std::string info = Shell("pdfinfo " + ShellQuote(pdf), scratch);
  std::smatch match;
  EXPECT_TRUE(std::regex_search(info, match, std::regex("Pages:\\s+(\\d+)"))) << info;
  return match.empty() ? 0 : std::stoi(match[1]);
}

// The text of page `page` (from 1; 0 for all), spaces taken out.
std::string Text(const std::string& pdf, int page, const std::string& scratch) {
  const std::string pages =
      page == 0 ? "" : " -f " + std::to_string(page) + " -l " + std::to_string(page);
  std::string text = Shell("pdftotext" + pages + " " + ShellQuote(pdf) + " -", scratch);
  std::erase(text, ' ');
  return text;
}

class ReportCardPrintTest : public ReportCardTest {
 protected:
  void SetUp() override {
    if (!fs::exists("/usr/bin/chromium")) {
      if (std::getenv("GENERATESHEET_SKIP_BROWSER_TEST") != nullptr) GTEST_SKIP();
      FAIL() << "/usr/bin/chromium is missing: run scripts/install-deps.sh --with-browser";
    }
    ReportCardTest::SetUp();
  }
};

// cards.pdf: one bookmarked page a student, in manifest order; each
// student's PDF ends with the card, once however often the batch runs, and
// class.pdf holds the papers only.  axe-core finds no serious fault on a card.
TEST_F(ReportCardPrintTest, CardsPdfAndTheCardAsEachStudentsLastPage) {
  CliResult r = Batch({"--report-cards", "--pdf"});
  ASSERT_EQ(r.exit_code, 1) << r.err;  // S5's page is not written
  const std::string scratch = dir_.File("scratch");
  const std::string cards = dir_.File("out/cards.pdf");
  const json outlines = json::parse(
      Shell("qpdf --json --json-key=outlines " + ShellQuote(cards), scratch))["outlines"];
  ASSERT_EQ(outlines.size(), 4u);
  EXPECT_EQ(Pages(cards, scratch), 4);
  for (int i = 0; i < 4; ++i) {
    const Pupil& p = kClass[static_cast<size_t>(i)];
    EXPECT_EQ(outlines[i]["title"], p.id + " " + p.name);
    EXPECT_EQ(outlines[i]["destpageposfrom1"], i + 1);
    const std::string page = Text(cards, i + 1, scratch);
    EXPECT_NE(page.find("成绩报告单"), std::string::npos) << page;
    EXPECT_NE(page.find(p.id), std::string::npos) << page;
  }
  const auto check_students = [&] {
    int papers = 0;
    for (const char* id : {"S1", "S2", "S3", "S4"}) {
      SCOPED_TRACE(id);
      const std::string pdf = dir_.File(std::string("out/") + id + ".pdf");
      const int pages = Pages(pdf, scratch);
      const json record =
          json::parse(ReadFileForTest(dir_.File(std::string("out/") + id + ".results.json")));
      EXPECT_EQ(record["pdf_pages"], pages - 1);
      papers += pages - 1;
      const std::string last = Text(pdf, pages, scratch);
      EXPECT_NE(last.find("成绩报告单"), std::string::npos) << last;
      EXPECT_NE(last.find(id), std::string::npos) << last;
      EXPECT_EQ(Text(pdf, pages - 1, scratch).find("成绩报告单"), std::string::npos);
    }
    // class.pdf: its first page lists S5, then the four papers without cards.
    EXPECT_EQ(Pages(dir_.File("out/class.pdf"), scratch), 1 + papers);
    EXPECT_EQ(Text(dir_.File("out/class.pdf"), 0, scratch).find("成绩报告单"), std::string::npos);
  };
  check_students();

  // Again, every page skipped: each PDF still ends with one card.
  r = Batch({"--report-cards", "--pdf", "--resume"});
  EXPECT_NE(r.err.find("跳过 4 页"), std::string::npos) << r.err;
  check_students();
  r = Cli({"verify", "out"});
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  const json manifest = json::parse(ReadFileForTest(dir_.File("out/MANIFEST.json")));
  bool listed = false;
  for (const json& f : manifest["files"])
    listed = listed || (f["path"] == "cards.pdf" && f["kind"] == "cards_pdf");
  EXPECT_TRUE(listed);

  const std::string axe =
      std::string(GENERATESHEET_SOURCE_DIR) + "/tests/js/node_modules/axe-core/axe.min.js";
  ASSERT_TRUE(fs::exists(axe)) << "run `npm ci --prefix tests/js` in the source tree";
  cli::PdfPrinter browser;
  for (const char* id : {"S1", "S3"}) {
    EXPECT_EQ(json::parse(browser.Evaluate(
                  dir_.File(std::string("out/") + id + ".card.html"),
                  ReadFileForTest(axe) +
                      "\n;axe.run(document).then(r => r.violations"
                      ".filter(v => v.impact === 'serious' || v.impact === 'critical')"
                      ".map(v => v.id + ': ' + v.nodes.map(n => n.target.join(' ')).join(', ')))",
                  1280)),
              json::array())
        << id;
  }

  // Without --report-cards the cards go, the card pages with them.
  r = Batch({"--pdf", "--resume"});
  EXPECT_FALSE(fs::exists(cards));
  const json record = json::parse(ReadFileForTest(dir_.File("out/S1.results.json")));
  EXPECT_EQ(Pages(dir_.File("out/S1.pdf"), scratch), record["pdf_pages"].get<int>());
}

}  // namespace
}  // namespace generatesheet::testing
