// The sample pages in a real browser: headless Chromium loads each page the
// demo generates, and the DOM it renders must hold every section heading,
// question, option and answer row of the sample's description.  Screenshots
// (desktop and phone width) are kept in <build>/browser-test/.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <thread>
#include <tuple>

#include "builder/package/answer_package.h"
#include "builder/package/package_cipher.h"
#include "tools/cli_fixture.h"
#include "tools/pdf/pdf_printer.h"
#include "tools/pdf/print_together.h"
#include "util/file_descriptor.h"

namespace generatesheet::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr char kChromium[] = "/usr/bin/chromium";
const std::string kShots = GENERATESHEET_BINARY_DIR "/browser-test";

// Runs headless Chromium on `url` with `mode` ("--dump-dom" or
// "--screenshot=FILE"); returns its stdout.
std::string Chromium(const std::string& url, const std::string& mode, const std::string& profile,
                     const std::string& window = "1000,1400") {
  const std::string out = profile + ".out";
  const std::string command =
      "timeout 120 " + std::string(kChromium) +
      " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
      " --disable-background-networking --disable-component-update --disable-sync"
      " --hide-scrollbars --user-data-dir=" +
      ShellQuote(profile) + " --window-size=" + window + " " + ShellQuote(mode) + " " +
      ShellQuote(url) + " >" + ShellQuote(out) + " 2>/dev/null";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return ReadFileForTest(out);
}

// The texts of every element the pattern's first group captures.
std::vector<std::string> All(const std::string& dom, const std::string& pattern) {
  std::vector<std::string> found;
  const std::regex re(pattern);
  for (std::sregex_iterator it(dom.begin(), dom.end(), re), end; it != end; ++it) {
    found.push_back((*it)[1].str());
  }
  return found;
}

// Text as the browser serialises it inside an element.
std::string AsSerialised(std::string text) {
  std::string out;
  for (char c : text) {
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else {
      out += c;
    }
  }
  return out;
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

std::string Numeral(int n) {
  static const char* const kNumerals[] = {"一", "二", "三", "四", "五",
                                          "六", "七", "八", "九", "十"};
  return n >= 1 && n <= 10 ? kNumerals[n - 1] : std::to_string(n);
}

class BrowserTest : public CliTest {
 protected:
  void SetUp() override {
    if (!fs::exists(kChromium)) {
      if (std::getenv("GENERATESHEET_SKIP_BROWSER_TEST") != nullptr) GTEST_SKIP();
      FAIL() << kChromium << " is missing: run scripts/install-deps.sh --with-browser";
    }
    const CliResult demo = Cli({"demo", "--out", "demo"});
    ASSERT_EQ(demo.exit_code, 0) << demo.err;
    fs::create_directories(kShots);
  }

  // Checks the rendered page of one sample against its description.
  void CheckSample(const std::string& sample, const std::string& page) {
    SCOPED_TRACE(sample);
    const json d = json::parse(
        ReadFileForTest(std::string(GENERATESHEET_SOURCE_DIR "/samples/") + sample + ".json"));
    const std::string url = "file://" + dir_.File("demo/pages/" + page);
    const std::string dom = Chromium(url, "--dump-dom", dir_.File("profile-" + sample));
    ASSERT_NE(dom.find("</html>"), std::string::npos) << dom.substr(0, 500);

    // The header, its items made wholes by the template's script.
    EXPECT_NE(
        dom.find("<div class=\"paperTitle\"><span class=\"headerItem\">学号：" +
                 d["student_id"].get<std::string>() + "</span> <span class=\"headerItem\">姓名：" +
                 d["student_name"].get<std::string>() + "</span>"),
        std::string::npos)
        << dom.substr(0, 3000);

    // Every section heading, in order.
    std::vector<std::string> headings;
    for (const json& section : d["pbase"]["tbl_QuestionType"]) {
      headings.push_back(Numeral(section["I_CmdId"]) + "、" +
                         AsSerialised(section["C_TestStyle"].get<std::string>()));
    }
    EXPECT_EQ(All(dom, "class=\"bigTitle\">([^<]*)<"), headings);

    // Every question, each in its own table, in order (sections list their
    // questions in question-number order, and so do the samples).
    std::vector<std::string> questions;
    for (const json& title : d["pbase"]["tbl_title"]) {
      questions.push_back(std::to_string(title["I_QuestionNo"].get<int>()) + "、" +
                          AsSerialised(FirstLine(title["M_Title"])));
    }
    const std::vector<std::string> cells =
        All(dom, "<table class=\"(?:singleSelect|operator)\"><tbody><tr><td>([^<]*)");
    ASSERT_EQ(cells.size(), questions.size());
    for (size_t i = 0; i < cells.size(); ++i) EXPECT_EQ(cells[i], questions[i]);

    // Every option.
    std::vector<std::string> options;
    for (const json& option : d["pbase"]["tbl_ChoiceVice"]) {
      options.push_back(option["C_ChoiceAnswer"].get<std::string>() + "、" +
                        AsSerialised(option["M_AnswerCont"].get<std::string>()));
    }
    EXPECT_EQ(All(dom, "<li>([^<]*)</li>"), options);

    // Two answer rows per choice question, three per text question.
    size_t rows = 0;
    for (const json& answer : d["analysis"]["tbl_AnalysisPaper"]) {
      rows += answer["I_TypeID"] == 1 ? 2 : 3;
    }
    const std::vector<std::string> answer_rows = All(dom, "<td class=\"bottom\">([^<]{0,12})");
    EXPECT_EQ(answer_rows.size(), rows);
    for (const std::string& row : answer_rows) {
      EXPECT_TRUE(row.starts_with("考生答案") || row.starts_with("标准答案") ||
                  row.starts_with("试题解析"))
          << row;
    }
    EXPECT_EQ(All(dom, "<div class=\"bigQuestion\">([^<]{0,9})").size(),
              d["pbase"]["tbl_CommItem"].size());

    // Screenshots for people to look at.
    for (const auto& [name, window] :
         {std::pair{"desktop", "1000,2000"}, std::pair{"phone", "390,2000"}}) {
      const std::string shot = kShots + "/" + sample + "-" + name + ".png";
      fs::remove(shot);
      Chromium(url, "--screenshot=" + shot, dir_.File("profile-shot"), window);
      ASSERT_TRUE(fs::exists(shot)) << shot;
      EXPECT_TRUE(ReadFileForTest(shot).starts_with("\x89PNG"));
      EXPECT_GT(fs::file_size(shot), 20000u) << "a blank page? " << shot;
    }
  }
};

TEST_F(BrowserTest, EnglishSampleRendersEverySectionQuestionOptionAndAnswer) {
  CheckSample("english", "english-2024010101.html");
}

TEST_F(BrowserTest, ComputerBasicsSampleRendersEverySectionQuestionOptionAndAnswer) {
  CheckSample("computer-basics", "cs2024020115.html");
}

// The results files of a made-up class of 12 beside the pages, for the
// summary command: question 1 (a choice) and 2 go with the total, the
// weaker half scores on 3 (flagged), nearly everyone has 4 right (flagged).
void WriteMadeUpClass(const std::string& folder) {
  for (int i = 0; i < 12; ++i) {
    const auto essay = [](int number, int obtained) {
      return json{{"number", number},
                  {"family", "essay"},
                  {"choice", false},
                  {"options", json::array()},
                  {"student_answer", "答"},
                  {"standard_answer", "参考答案"},
                  {"obtained", std::to_string(obtained)},
                  {"full", "5"},
                  {"verdict", "partial"},
                  {"error", nullptr}};
    };
    json choice = {{"number", 1},
                   {"family", "single_choice"},
                   {"choice", true},
                   {"options", {"A", "B", "C", "D"}},
                   {"student_answer", i >= 4 ? "C" : "A"},
                   {"standard_answer", "C"},
                   {"obtained", i >= 4 ? "2" : "0"},
                   {"full", "2"},
                   {"verdict", i >= 4 ? "correct" : "wrong"},
                   {"error", nullptr}};
    const std::string id = "T" + std::to_string(100 + i);
    const json record = {
        {"student_id", id},
        {"student_name", "学生" + std::to_string(i)},
        {"subject", "测验"},
        {"outcome", "complete"},
        {"page", id + ".html"},
        {"message", ""},
        {"results",
         {choice, essay(2, i * 5 / 11), essay(3, i < 6 ? 1 : 0), essay(4, i == 0 ? 4 : 5)}}};
    WriteFileForTest(folder + "/" + id + ".results.json", record.dump());
  }
}

// An exam of two classes, 24 students and 18 questions in three sections,
// as results files: every table of the summary as wide as a real paper's.
void WriteExamOfTwoClasses(const std::string& folder) {
  fs::create_directories(folder);
  for (int i = 0; i < 24; ++i) {
    json results = json::array();
    for (int q = 1; q <= 18; ++q) {
      const bool right = (i * 7 + q * 3) % 10 < 4 + i % 5;
      results.push_back({{"number", q},
                         {"family", "single_choice"},
                         {"choice", true},
                         {"options", {"A", "B", "C", "D"}},
                         {"student_answer", right ? "B" : "D"},
                         {"standard_answer", "B"},
                         {"obtained", right ? "2" : "0"},
                         {"full", "2"},
                         {"verdict", right ? "correct" : "wrong"},
                         {"error", nullptr},
                         {"text", "第" + std::to_string(q) + "题：阅读短文，选出最佳答案"},
                         {"section", q <= 6    ? "一、单项选择"
                                     : q <= 12 ? "二、完形填空"
                                               : "三、阅读理解"}});
    }
    const std::string id = "E" + std::to_string(200 + i);
    const json record = {
        {"student_id", id},      {"student_name", "考生" + std::to_string(i)},
        {"subject", "英语"},     {"class", i % 2 == 0 ? "高一（1）班" : "高一（2）班"},
        {"outcome", "complete"}, {"page", id + ".html"},
        {"message", ""},         {"results", results}};
    WriteFileForTest(folder + "/" + id + ".results.json", record.dump());
  }
}

// The elements whose right edge lies beyond the viewport, unless inside a
// box that scrolls (the outermost of each such tree); the page's width;
// how many boxes scroll.
constexpr char kOverflow[] = R"((() => {
  const width = document.documentElement.clientWidth;
  const boxes = [...document.querySelectorAll('*')]
      .filter(e => ['auto', 'scroll'].includes(getComputedStyle(e).overflowX));
  const beyond = [...document.body.querySelectorAll('*')].filter(e => {
    const r = e.getBoundingClientRect();
    return r.width > 0 && r.right > width + 0.5 && !boxes.some(b => b !== e && b.contains(e));
  });
  const out = beyond.filter(e => !beyond.includes(e.parentElement))
      .map(e => e.tagName + '.' + (e.getAttribute('class') || '') + ' ' +
                Math.round(e.getBoundingClientRect().right));
  return {page: document.documentElement.scrollWidth, width: width, out: out,
          scrolling: boxes.filter(b => b.scrollWidth > b.clientWidth).length};
})())";

// The points of each plot, each inside its plot's frame: [drawn, flagged,
// outside].
constexpr char kPoints[] = R"((() => {
  const points = [...document.querySelectorAll('svg.scatter g.item')];
  const outside = points.filter(p => {
    const frame = p.ownerSVGElement.querySelector('rect.frame').getBoundingClientRect();
    const mark = p.querySelector('circle, path').getBoundingClientRect();
    const x = mark.left + mark.width / 2, y = mark.top + mark.height / 2;
    return x < frame.left || x > frame.right || y < frame.top || y > frame.bottom;
  });
  return [points.length, points.filter(p => p.classList.contains('flagged')).length,
          outside.map(p => p.getAttribute('aria-label'))];
})())";

// The number labels of the plots that overlap another label: [checked,
// overlapping pairs].
constexpr char kLabelOverlaps[] = R"((() => {
  const boxes = [...document.querySelectorAll('svg.scatter g.item text')]
      .map(t => [t.textContent, t.getBoundingClientRect()]);
  const overlaps = [];
  for (let i = 0; i < boxes.length; ++i) {
    for (let j = i + 1; j < boxes.length; ++j) {
      const a = boxes[i][1], b = boxes[j][1];
      if (a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom) {
        overlaps.push(boxes[i][0] + '/' + boxes[j][0]);
      }
    }
  }
  return [boxes.length, overlaps];
})())";

// Chooses each class in the filter and counts the rows shown; then sorts by
// score twice and gives the scores in order.
constexpr char kFilterAndSort[] = R"((() => {
  const filter = document.getElementById('class-filter');
  const shown = () => [...document.querySelectorAll('#students tbody tr')]
      .filter(r => !r.hidden && r.getClientRects().length > 0).length;
  const counts = [shown()];
  for (const value of ['高一（1）班', '高一（2）班', '']) {
    filter.value = value;
    filter.dispatchEvent(new Event('change'));
    counts.push(shown());
  }
  const th = [...document.querySelectorAll('#students th')]
      .find(h => h.textContent.startsWith('得分'));
  const column = [...th.parentNode.children].indexOf(th);
  const scores = () => [...document.querySelectorAll('#students tbody tr')]
      .map(r => parseFloat(r.cells[column].dataset.value));
  th.click();
  const up = scores();
  th.click();
  const down = scores();
  const sorted = (list, sign) => list.every((v, i) => i === 0 || sign * (v - list[i - 1]) >= 0);
  return {counts: counts, hidden_filter: filter.closest('p').hidden,
          up: sorted(up, 1), down: sorted(down, -1), rows: up.length};
})())";

// The item table's folded lists of who chose each wrong option: how many,
// how many open, and how many rows of names the first shows once opened.
constexpr char kChoosers[] = R"((() => {
  const all = [...document.querySelectorAll('#items details.choosers')];
  const open = all.filter(d => d.open).length;
  const hidden = all.length > 0 && !all[0].querySelector('li').checkVisibility();
  if (all.length > 0) all[0].open = true;
  const shown = all.length > 0 ? [...all[0].querySelectorAll('li')]
      .filter(li => li.checkVisibility()).length : 0;
  return {lists: all.length, open: open, hidden_when_folded: hidden, shown: shown};
})())";

// A script that runs axe-core on the page and gives its serious and
// critical findings, each as "rule: targets".
std::string AxeCheck() {
  const std::string axe =
      std::string(GENERATESHEET_SOURCE_DIR) + "/tests/js/node_modules/axe-core/axe.min.js";
  if (!fs::exists(axe)) {
    ADD_FAILURE() << axe << " is missing: run `npm ci --prefix tests/js` in the source tree";
    return "[]";
  }
  return ReadFileForTest(axe) +
         "\n;axe.run(document).then(r => r.violations"
         ".filter(v => v.impact === 'serious' || v.impact === 'critical')"
         ".map(v => v.id + ': ' + v.nodes.map(n => n.target.join(' ')).join(', ')))";
}

// The output of a shell command.
std::string Shell(const std::string& command, const std::string& out_file) {
  EXPECT_EQ(std::system((command + " >" + ShellQuote(out_file)).c_str()), 0) << command;
  return ReadFileForTest(out_file);
}

// A text block of a PDF page as pdftotext -bbox-layout gives it, in points
// from the page's top.
struct Block {
  double top, bottom;
};

// The blocks of each page, top first.
std::vector<std::vector<Block>> PageBlocks(const std::string& bbox_html) {
  std::vector<std::vector<Block>> pages;
  const std::regex block_re(
      "<block xMin=\"[\\d.]+\" yMin=\"([\\d.]+)\" xMax=\"[\\d.]+\" yMax=\"([\\d.]+)\"");
  // Pages are cut apart with find(): a lazy regex over a whole page
  // recurses once a character in libstdc++ and overflows the stack.
  for (size_t start = bbox_html.find("<page "); start != std::string::npos;
       start = bbox_html.find("<page ", start + 1)) {
    const size_t stop = bbox_html.find("</page>", start);
    const std::string body = bbox_html.substr(start, stop - start);
    std::vector<Block> blocks;
    std::sregex_iterator end;
    for (std::sregex_iterator b(body.begin(), body.end(), block_re); b != end; ++b) {
      blocks.push_back({std::stod((*b)[1].str()), std::stod((*b)[2].str())});
    }
    std::sort(blocks.begin(), blocks.end(),
              [](const Block& a, const Block& b) { return a.top < b.top; });
    pages.push_back(blocks);
  }
  return pages;
}

// Checks a student's PDF: A4, at most `max_pages` pages, the Title naming
// the student, every page headed with `header` (the texts, in order, without
// blanks) and numbered "第 X 页 / 共 Y 页", and no page but the last more than
// a quarter empty.  The empty share of a page is the room between its
// lowest text of the paper and its footer, over the room between its header
// and its footer (header and footer: its topmost and lowest text blocks).
void CheckPrint(const std::string& pdf, const std::string& title, const std::string& header,
                int max_pages, const std::string& scratch) {
  SCOPED_TRACE(pdf);
  const std::string info = Shell("pdfinfo " + ShellQuote(pdf), scratch);
  std::smatch pages_match;
  ASSERT_TRUE(std::regex_search(info, pages_match, std::regex("Pages:\\s+(\\d+)"))) << info;
  const int pages = std::stoi(pages_match[1]);
  EXPECT_GE(pages, 2);
  EXPECT_LE(pages, max_pages);
  EXPECT_NE(info.find("(A4)"), std::string::npos) << info;
  EXPECT_NE(info.find("Title:           " + title + "\n"), std::string::npos) << info;

  std::string text = Shell("pdftotext -layout " + ShellQuote(pdf) + " -", scratch);
  std::erase(text, ' ');  // pdftotext spaces CJK text as it pleases
  // Pages are separated by form feeds; each opens with the header and
  // carries its number.
  int page = 0;
  size_t start = 0;
  for (size_t end; (end = text.find('\f', start)) != std::string::npos; start = end + 1) {
    const std::string one = text.substr(start, end - start);
    ++page;
    EXPECT_EQ(one.find(header), one.find_first_not_of('\n')) << "page " << page << ":\n" << one;
    EXPECT_NE(one.find("第" + std::to_string(page) + "页/共" + std::to_string(pages) + "页"),
              std::string::npos)
        << one;
  }
  EXPECT_EQ(page, pages);
  EXPECT_NE(text.find("得分："), std::string::npos);

  const std::vector<std::vector<Block>> blocks =
      PageBlocks(Shell("pdftotext -bbox-layout " + ShellQuote(pdf) + " -", scratch));
  ASSERT_EQ(blocks.size(), static_cast<size_t>(pages));
  for (int i = 0; i + 1 < pages; ++i) {
    SCOPED_TRACE("page " + std::to_string(i + 1));
    ASSERT_GE(blocks[i].size(), 3u);
    const double room_top = blocks[i].front().bottom, room_bottom = blocks[i].back().top;
    double lowest = room_top;
    for (size_t b = 1; b + 1 < blocks[i].size(); ++b)
      lowest = std::max(lowest, blocks[i][b].bottom);
    EXPECT_LE((room_bottom - lowest) / (room_bottom - room_top), 0.25);
  }
}

// A batch of the samples with marks and PDFs: the class summary sorts by
// score in the browser, and each PDF is compact and names its student on
// every page, with the bundled template and with one of a host's.
TEST_F(BrowserTest, ClassSummarySortsAndMarkedPagesPrint) {
  std::string manifest = "package_folder,zip_name,student_id,student_name,subject\n";
  std::map<std::string, json> students;  // PDF -> sample
  for (const char* sample : {"english", "computer-basics"}) {
    const json d = json::parse(
        ReadFileForTest(std::string(GENERATESHEET_SOURCE_DIR "/samples/") + sample + ".json"));
    manifest += std::string("demo/packages/") + sample + "," +
                d["package_name"].get<std::string>() + "," + d["student_id"].get<std::string>() +
                "," + d["student_name"].get<std::string>() + "," + d["subject"].get<std::string>() +
                "\n";
    std::string pdf = d["package_name"].get<std::string>();
    std::erase(pdf, '#');
    students["class/" + pdf.substr(0, pdf.size() - 4) + ".pdf"] = d;
  }
  WriteFileForTest(dir_.File("class.csv"), manifest);
  const CliResult r = Cli({"batch", "class.csv", "--out", "class", "--marks", "--pdf", "--key-file",
                           GENERATESHEET_SOURCE_DIR "/samples/demo.key"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  // A table of students a subject, in the order of the subjects' sections;
  // a click on a heading sorts (the sorting of many rows is shown below).
  cli::PdfPrinter browser;
  const std::string click =
      "(() => { const th = [...document.querySelectorAll('#students-1 th')]"
      ".find(h => h.textContent.startsWith('得分')); th.click(); th.click(); return "
      "[th.getAttribute('aria-sort'), [...document.querySelectorAll('table.students')].map(t => "
      "[...t.tBodies[0].rows].map(r => r.cells[3].dataset.value))]; })()";
  const json orders = json::parse(browser.Evaluate(dir_.File("class/index.html"), click));
  EXPECT_EQ(orders, json::parse(R"(["descending", [["46"], ["66.5"]]])"));

  // The summary of the samples with a made-up class beside them: on a
  // desktop and a phone nothing reaches beyond the screen but the tables
  // that scroll in their own boxes; each question of the class is a point
  // in its plot; no serious accessibility fault on the summary or a page.
  WriteMadeUpClass(dir_.File("class"));
  const CliResult summary = Cli({"summary", "class"});
  ASSERT_EQ(summary.exit_code, 0) << summary.err;
  const std::string index = dir_.File("class/index.html");
  for (const int width : {1280, 390}) {
    SCOPED_TRACE(width);
    const json layout = json::parse(browser.Evaluate(index, kOverflow, width));
    EXPECT_EQ(layout["page"], width) << layout;
    EXPECT_EQ(layout["out"], json::array()) << layout;
    if (width == 390) {
      EXPECT_GE(layout["scrolling"], 1) << "the wide tables scroll on a phone";
    }
  }
  // Flagged: the two the class's answers make doubtful, and one that the
  // alpha-if-deleted, equal-scores or unchosen-distractor rules mark.
  EXPECT_EQ(json::parse(browser.Evaluate(index, kPoints, 1280)), json::parse(R"([4, 3, []])"));
  EXPECT_EQ(json::parse(browser.Evaluate(index, AxeCheck(), 1280)), json::array());
  // The student page has no serious fault either; its moderate ones (no
  // main landmark, no level-one heading) are part of the page's fixed form.
  EXPECT_EQ(json::parse(browser.Evaluate(dir_.File("class/cs2024020115.html"), AxeCheck(), 1280)),
            json::array());
  for (const auto& [name, window] :
       {std::pair{"desktop", "1280,2400"}, std::pair{"phone", "390,2400"}}) {
    const std::string shot = kShots + "/class-summary-" + name + ".png";
    fs::remove(shot);
    Chromium("file://" + index, "--screenshot=" + shot, dir_.File("profile-shot"), window);
    EXPECT_GT(fs::file_size(shot), 20000u) << "a blank page? " << shot;
  }
  // On A4, every table whole: the last column of each is in the text.
  browser.Print(index, dir_.File("class-summary.pdf"));
  EXPECT_NE(Shell("pdfinfo " + ShellQuote(dir_.File("class-summary.pdf")), dir_.File("info"))
                .find("(A4)"),
            std::string::npos);
  std::string printed =
      Shell("pdftotext " + ShellQuote(dir_.File("class-summary.pdf")) + " -", dir_.File("text"));
  std::erase(printed, ' ');
  std::erase(printed, '\n');
  for (const char* last : {"测量标准误", "标准差（n−1）", "english-2024010101.html",
                           "cs2024020115.html", "T111.html", "选项分布", "C✔100.0%"}) {
    EXPECT_NE(printed.find(last), std::string::npos) << last << "\n" << printed.substr(0, 3000);
  }

  // On a 390 px phone each header item stays on one line, the page no wider
  // than the screen.
  const std::string lines =
      "[...document.querySelectorAll('.paperTitle .headerItem')].map(e => "
      "e.getClientRects().length).concat([document.documentElement.scrollWidth])";
  EXPECT_EQ(json::parse(browser.Evaluate(dir_.File("class/cs2024020115.html"), lines, 390)),
            json::parse("[1, 1, 1, 1, 1, 390]"));

  for (const auto& [pdf, d] : students) {
    const std::string id = d["student_id"], name = d["student_name"], subject = d["subject"];
    CheckPrint(dir_.File(pdf), id + " " + name + " " + subject,
               "学号：" + id + "姓名：" + name + "科目：" + subject, 5, dir_.File("scratch"));
  }

  // A host's template without page margin boxes of its own: the header is
  // the page's title, the student's.
  WriteFileForTest(dir_.File("plain.html"),
                   "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>$Title$</title>"
                   "</head><body>$Content$</body></html>");
  const CliResult plain =
      Cli({"run", "--bak-data-path", "demo/packages/english", "--zip", "english-2024010101.zip",
           "--out", "plain", "--template", "plain.html", "--student-id", "2024010101",
           "--student-name", "李明", "--subject", "英语", "--marks", "--pdf", "--key-file",
           GENERATESHEET_SOURCE_DIR "/samples/demo.key"});
  ASSERT_EQ(plain.exit_code, 0) << plain.err;
  CheckPrint(dir_.File("plain/english-2024010101.pdf"), "2024010101 李明 英语",
             "2024010101李明英语", 8, dir_.File("scratch"));
}

// The summary of two classes with a paper of 18 questions: its title, the
// class filter and sorting work in the browser; printed on A4 every column
// of every table is on paper; no label of the plot covers another; nothing
// is cut at 1280 or 390 px; no serious accessibility fault.
TEST_F(BrowserTest, TheSummaryOfTwoClassesFiltersPrintsWholeAndLabelsApart) {
  WriteExamOfTwoClasses(dir_.File("exam"));
  const CliResult summary = Cli({"summary", "exam", "--title", "高一英语期中考试"});
  ASSERT_EQ(summary.exit_code, 0) << summary.err;
  const std::string index = dir_.File("exam/index.html");
  cli::PdfPrinter browser;
  const json used = json::parse(browser.Evaluate(index, kFilterAndSort, 1280));
  EXPECT_EQ(used["counts"], json::parse("[24, 12, 12, 24]")) << used;
  EXPECT_EQ(used["hidden_filter"], false);
  EXPECT_EQ(used["up"], true);
  EXPECT_EQ(used["down"], true);
  EXPECT_EQ(used["rows"], 24);
  // Each question's wrong answers list who chose them, folded.
  const json choosers = json::parse(browser.Evaluate(index, kChoosers, 1280));
  EXPECT_EQ(choosers["lists"], 18) << choosers;
  EXPECT_EQ(choosers["open"], 0) << choosers;
  EXPECT_EQ(choosers["hidden_when_folded"], true) << choosers;
  EXPECT_EQ(choosers["shown"], 1) << choosers;
  const json labels = json::parse(browser.Evaluate(index, kLabelOverlaps, 1280));
  EXPECT_GT(labels[0].get<int>(), 0);
  EXPECT_EQ(labels[1], json::array()) << labels;
  for (const int width : {1280, 390}) {
    SCOPED_TRACE(width);
    const json layout = json::parse(browser.Evaluate(index, kOverflow, width));
    EXPECT_EQ(layout["page"], width) << layout;
    EXPECT_EQ(layout["out"], json::array()) << layout;
    const std::string shot = kShots + "/two-classes-" + std::to_string(width) + ".png";
    fs::remove(shot);
    Chromium("file://" + index, "--screenshot=" + shot, dir_.File("profile-shot"),
             std::to_string(width) + ",2400");
    EXPECT_GT(fs::file_size(shot), 20000u) << "a blank page? " << shot;
  }
  EXPECT_EQ(json::parse(browser.Evaluate(index, AxeCheck(), 1280)), json::array());

  browser.Print(index, dir_.File("two-classes.pdf"));
  std::string printed =
      Shell("pdftotext " + ShellQuote(dir_.File("two-classes.pdf")) + " -", dir_.File("text"));
  std::erase(printed, ' ');
  std::erase(printed, '\n');
  EXPECT_NE(printed.find("高一英语期中考试"), std::string::npos);
  // Each question's column of the class comparison, the last column of the
  // student table (each student's page) and of the item table.
  for (int q = 1; q <= 18; ++q) {
    EXPECT_NE(printed.find("第" + std::to_string(q) + "题难度"), std::string::npos) << q;
  }
  for (int i = 0; i < 24; ++i) {
    const std::string page = "E" + std::to_string(200 + i) + ".html";
    EXPECT_NE(printed.find(page), std::string::npos) << page;
  }
  // Each question's text in the item table, and its last column.
  for (int q = 1; q <= 18; ++q) {
    // Its start: a cell's wrapped lines come out among its neighbours'.
    const std::string text = "第" + std::to_string(q) + "题：阅读短文";
    EXPECT_NE(printed.find(text), std::string::npos) << text;
  }
  for (const char* column :
       {"三、阅读理解", "年级名次", "百分位", "选项分布", "提示", "误选学生"}) {
    EXPECT_NE(printed.find(column), std::string::npos) << column << "\n" << printed.substr(0, 3000);
  }
}

// The number of pages of a PDF, as pdfinfo reads it.
int PageCount(const std::string& pdf, const std::string& scratch) {
  const std::string info = Shell("pdfinfo " + ShellQuote(pdf), scratch);
  std::smatch match;
  EXPECT_TRUE(std::regex_search(info, match, std::regex("Pages:\\s+(\\d+)"))) << info;
  return match.empty() ? 0 : std::stoi(match[1]);
}

// The text of pages `first` to `last` (from 1), spaces taken out.
std::string PageText(const std::string& pdf, int first, int last, const std::string& scratch) {
  std::string text = Shell("pdftotext -f " + std::to_string(first) + " -l " + std::to_string(last) +
                               " " + ShellQuote(pdf) + " -",
                           scratch);
  std::erase(text, ' ');
  return text;
}

// A PDF that cannot be written leaves its student's page with errors, and
// that student only; --resume redoes that student, and a student whose page
// was made without a PDF.
TEST_F(BrowserTest, AFailedPdfLeavesItsPageWithErrors) {
  WriteFileForTest(
      dir_.File("class.csv"),
      "package_folder,zip_name,student_id,student_name,subject\n"
      "demo/packages/english,english-2024010101.zip,2024010101,李明,英语\n"
      "demo/packages/computer-basics,cs#2024020115.zip,2024020115,王芳,计算机应用基础\n");
  const std::string in_the_way = dir_.File("class/english-2024010101.pdf");
  fs::create_directories(in_the_way);
  const auto batch = [&](std::vector<std::string> options) {
    std::vector<std::string> args = {
        "batch",    "class.csv", "--out",      "class",
        "--report", "r.json",    "--key-file", GENERATESHEET_SOURCE_DIR "/samples/demo.key"};
    args.insert(args.end(), options.begin(), options.end());
    return Cli(args, {"TMPDIR=" + dir_.File("tmp")});
  };
  // In the temporary folder: browser profiles a killed batch left (one just
  // now: age does not matter), one a live batch holds, and a link to a
  // folder elsewhere.
  const std::string killed = dir_.File("tmp/generate-sheet-chromium-KiLLed");
  const std::string live = dir_.File("tmp/generate-sheet-chromium-LiVe01");
  fs::create_directories(killed + "/Default");
  WriteFileForTest(killed + "/Default/Cookies", "x");
  fs::create_directories(live);
  const std::string recent = dir_.File("tmp/generate-sheet-chromium-ReCent");
  fs::create_directories(recent);
  fs::last_write_time(killed, fs::file_time_type::clock::now() - std::chrono::hours(2));
  fs::create_directories(dir_.File("elsewhere"));
  WriteFileForTest(dir_.File("elsewhere/keep"), "x");
  fs::create_directory_symlink(dir_.File("elsewhere"),
                               dir_.File("tmp/generate-sheet-chromium-LiNk01"));
  FileDescriptor held(::open(live.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  ASSERT_EQ(::flock(held.get(), LOCK_EX | LOCK_NB), 0);
  CliResult r = batch({"--pdf"});
  std::set<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir_.File("tmp"))) {
    left.insert(entry.path().filename().string());
  }
  EXPECT_EQ(left, (std::set<std::string>{"generate-sheet-chromium-LiVe01",
                                         "generate-sheet-chromium-LiNk01"}));
  EXPECT_TRUE(fs::exists(dir_.File("elsewhere/keep")));
  EXPECT_EQ(r.exit_code, 3) << r.err;
  json report = json::parse(ReadFileForTest(dir_.File("r.json")));
  EXPECT_EQ(report["with_errors"], 1);
  EXPECT_EQ(report["students"][0]["status"], "with_errors");
  EXPECT_EQ(report["students"][0]["page"], "class/english-2024010101.html");
  EXPECT_EQ(report["students"][0]["error"].get<std::string>().rfind(
                "PDF 未生成：class/english-2024010101.pdf：", 0),
            0u)
      << report["students"][0]["error"];
  EXPECT_NE(r.err.find("有错误：清单第 2 行（学号 2024010101，李明）：PDF 未生成："),
            std::string::npos)
      << r.err;
  EXPECT_TRUE(fs::is_regular_file(dir_.File("class/english-2024010101.html")));
  const json record =
      json::parse(ReadFileForTest(dir_.File("class/english-2024010101.results.json")));
  EXPECT_EQ(record["outcome"], "with_errors");
  EXPECT_EQ(record["message"], report["students"][0]["error"]);
  EXPECT_EQ(record["options"], (json{{"marks", false}, {"pdf", true}}));
  EXPECT_EQ(report["students"][1]["status"], "complete");
  EXPECT_TRUE(ReadFileForTest(dir_.File("class/cs2024020115.pdf")).starts_with("%PDF-"));
  const std::string summary = ReadFileForTest(dir_.File("class/summary.csv"));
  EXPECT_NE(summary.find("2024010101,李明,英语,46,有错误,english-2024010101.html"),
            std::string::npos)
      << summary;

  // Out of the way: --resume redoes the student whose PDF failed, only.
  fs::remove(in_the_way);
  r = batch({"--pdf", "--resume"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  report = json::parse(ReadFileForTest(dir_.File("r.json")));
  EXPECT_EQ(report["students"][0]["status"], "complete");
  EXPECT_EQ(report["students"][1]["status"], "skipped");
  EXPECT_TRUE(ReadFileForTest(in_the_way).starts_with("%PDF-"));
  // A skipped page whose PDF went missing or is older than the page is
  // printed again; failing that, it has errors, in its record too.
  fs::remove(in_the_way);
  fs::create_directories(in_the_way);
  const std::string stale = dir_.File("class/cs2024020115.pdf");
  WriteFileForTest(stale, "an older print");
  fs::last_write_time(
      stale, fs::last_write_time(dir_.File("class/cs2024020115.html")) - std::chrono::seconds(1));
  r = batch({"--pdf", "--resume"});
  EXPECT_EQ(r.exit_code, 3) << r.err;
  report = json::parse(ReadFileForTest(dir_.File("r.json")));
  EXPECT_EQ(report["students"][0]["status"], "with_errors");
  EXPECT_EQ(report["students"][1]["status"], "skipped");
  EXPECT_TRUE(ReadFileForTest(stale).starts_with("%PDF-"));
  EXPECT_EQ(
      json::parse(ReadFileForTest(dir_.File("class/english-2024010101.results.json")))["outcome"],
      "with_errors");
  fs::remove(in_the_way);
  r = batch({"--pdf", "--resume"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  // A skipped page's PDF that does not read whole, or has another page
  // count than printed, is printed again; one that cannot be is a failure.
  const std::string english_pdf = in_the_way;
  const std::string printed = ReadFileForTest(stale);
  const int pages = PageCount(stale, dir_.File("info"));
  EXPECT_EQ(json::parse(ReadFileForTest(dir_.File("class/cs2024020115.results.json")))["pdf_pages"],
            pages);
  WriteFileForTest(stale, printed.substr(0, printed.size() / 2));
  fs::copy_file(dir_.File("class/class.pdf"), english_pdf, fs::copy_options::overwrite_existing);
  ASSERT_NE(
      PageCount(english_pdf, dir_.File("info")),
      json::parse(ReadFileForTest(dir_.File("class/english-2024010101.results.json")))["pdf_pages"]
          .get<int>());
  r = batch({"--pdf", "--resume"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  report = json::parse(ReadFileForTest(dir_.File("r.json")));
  EXPECT_EQ(report["skipped"], 2) << report.dump();
  EXPECT_EQ(PageCount(stale, dir_.File("info")), pages);
  EXPECT_NE(PageText(stale, 1, 1, dir_.File("info")).find("王芳"), std::string::npos);
  EXPECT_EQ(PageText(english_pdf, 1, 1, dir_.File("info")).find("王芳"), std::string::npos);
  // A PDF that reads whole but is older than its page is printed again too.
  const auto english_page = fs::last_write_time(dir_.File("class/english-2024010101.html"));
  fs::last_write_time(english_pdf, english_page - std::chrono::seconds(1));
  fs::remove(stale);
  fs::create_directories(stale + "/in-the-way");
  r = batch({"--pdf", "--resume"});
  EXPECT_EQ(r.exit_code, 3) << r.err;
  EXPECT_GT(fs::last_write_time(english_pdf), english_page);
  report = json::parse(ReadFileForTest(dir_.File("r.json")));
  EXPECT_EQ(report["students"][1]["status"], "with_errors");
  EXPECT_EQ(report["students"][0]["status"], "skipped");
  EXPECT_EQ(json::parse(ReadFileForTest(dir_.File("class/cs2024020115.results.json")))["outcome"],
            "with_errors");
  fs::remove_all(stale);
  EXPECT_TRUE(fs::is_regular_file(dir_.File("class/class.pdf")));
  // Pages made with a PDF are not what a run without one makes: redone,
  // and the PDFs of the pages as they were, class.pdf too, go with them;
  // a PDF put beside a page made without one is not the student's.  A run
  // that prints nothing removes a killed run's browser profile as well.
  // One name is put right at the same time.
  const std::string no_pdf = dir_.File("tmp/generate-sheet-chromium-NoPdf1");
  fs::create_directories(no_pdf + "/Default");
  WriteFileForTest(
      dir_.File("class.csv"),
      "package_folder,zip_name,student_id,student_name,subject\n"
      "demo/packages/english,english-2024010101.zip,2024010101,李明,英语\n"
      "demo/packages/computer-basics,cs#2024020115.zip,2024020115,王芳华,计算机应用基础\n");
  r = batch({"--resume"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_FALSE(fs::exists(no_pdf));
  EXPECT_TRUE(fs::exists(live));
  EXPECT_EQ(json::parse(ReadFileForTest(dir_.File("r.json")))["complete"], 2);
  EXPECT_FALSE(fs::exists(english_pdf));
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_FALSE(fs::exists(dir_.File("class/class.pdf")));
  EXPECT_NE(r.err.find("已删除过时的班级 PDF（页面已重新生成，本次未写班级 PDF）：class/class.pdf"),
            std::string::npos)
      << r.err;
  WriteFileForTest(stale, printed);
  ASSERT_EQ(Cli({"summary", "class"}).exit_code, 0);
  const json archive = json::parse(ReadFileForTest(dir_.File("class/MANIFEST.json")));
  for (const json& student : archive["students"]) EXPECT_TRUE(student["pdf"].is_null()) << student;
  EXPECT_NE(ReadFileForTest(dir_.File("class/summary.csv")).find("2024020115,王芳华,"),
            std::string::npos);
  std::map<std::string, std::string> kinds;
  for (const json& file : archive["files"]) kinds[file["path"]] = file["kind"];
  EXPECT_EQ(kinds["cs2024020115.pdf"], "other");
  EXPECT_EQ(Cli({"verify", "class"}).exit_code, 0);

  // One student with run: the page's path, then the PDF's; a PDF in the
  // way leaves the page with errors.
  const std::vector<std::string> run = {"run",
                                        "--bak-data-path",
                                        "demo/packages/english",
                                        "--zip",
                                        "english-2024010101.zip",
                                        "--out",
                                        "single",
                                        "--student-id",
                                        "2024010101",
                                        "--marks",
                                        "--pdf",
                                        "--key-file",
                                        GENERATESHEET_SOURCE_DIR "/samples/demo.key"};
  r = Cli(run);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"single/english-2024010101.html",
                                                    "single/english-2024010101.pdf"}));
  EXPECT_TRUE(ReadFileForTest(dir_.File("single/english-2024010101.pdf")).starts_with("%PDF-"));
  fs::remove(dir_.File("single/english-2024010101.pdf"));
  fs::create_directories(dir_.File("single/english-2024010101.pdf"));
  r = Cli(run);
  EXPECT_EQ(r.exit_code, 3) << r.err;
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"single/english-2024010101.html"}));
  EXPECT_NE(r.err.find("\n警告：页面已写出，但有错误：PDF 未生成：single/english-2024010101.pdf："),
            std::string::npos)
      << r.err;
}

// The bookmarks of a PDF: each one's title and page (from 1).
std::vector<std::pair<std::string, int>> Bookmarks(const std::string& pdf,
                                                   const std::string& scratch) {
  const json outlines =
      json::parse(Shell("qpdf --json --json-key=outlines " + ShellQuote(pdf), scratch))["outlines"];
  std::vector<std::pair<std::string, int>> marks;
  for (const json& item : outlines) {
    EXPECT_TRUE(item["kids"].empty());
    marks.emplace_back(item["title"], item["destpageposfrom1"]);
  }
  return marks;
}

// class.pdf after a batch killed while printing and resumed: every student,
// in manifest order, one bookmark "学号 姓名" on each student's first page,
// each from a new page (from an odd page with --duplex); students whose page
// is not complete, or who are refused, are listed on a first page and left
// out.  The archive manifest covers it.
TEST_F(BrowserTest, ClassPdfHoldsEveryCompleteStudentAfterAKillAndResume) {
  struct Student {
    std::string folder, zip, id, name;
  };
  // One page each, but for the demo's English paper.
  const std::string demo_key = GENERATESHEET_SOURCE_DIR "/samples/demo.key";
  const auto cipher = builder::CipherForKeyFile(demo_key);
  std::vector<Student> students;
  for (const std::string id : {"1001", "2024010101", "1002", "1003", "1004"}) {
    if (id == "2024010101") {
      students.push_back({"demo/packages/english", "english-2024010101.zip", id, "李明"});
      continue;
    }
    fs::create_directories(dir_.File("p" + id));
    builder::BuildAnswerPackage(SmallPaper(id), *cipher, dir_.File("p" + id + "/s" + id + ".zip"));
    students.push_back({"p" + id, "s" + id + ".zip", id, "学生" + id});
  }
  const auto write_manifest = [&](const std::string& more) {
    std::string csv = "package_folder,zip_name,student_id,student_name,subject\n";
    for (const Student& s : students) {
      csv += s.folder + "," + s.zip + "," + s.id + "," + s.name + ",英语\n";
    }
    WriteFileForTest(dir_.File("class.csv"), csv + more);
  };
  const auto batch = [&](std::vector<std::string> more) {
    std::vector<std::string> args = {"batch",  "class.csv", "--out",      "class",
                                     "--jobs", "1",         "--key-file", demo_key};
    args.insert(args.end(), more.begin(), more.end());
    return args;
  };
  const std::string class_pdf = dir_.File("class/class.pdf");
  // Each student's first page in class.pdf, after `front` pages, each from
  // an odd page when `odd`.
  std::vector<int> blanks;
  const auto expected = [&](int front, bool odd) {
    std::vector<std::pair<std::string, int>> marks;
    int page = front + 1;
    blanks.clear();
    for (const Student& s : students) {
      if (odd && page % 2 == 0) blanks.push_back(page++);
      marks.emplace_back(s.id + " " + s.name, page);
      page += PageCount(dir_.File("class/" + fs::path(s.zip).stem().string() + ".pdf"),
                        dir_.File("info"));
    }
    return std::pair{marks, page - 1};
  };
  // Each bookmark opens its student's own first page.
  const auto check_pages = [&](const std::vector<std::pair<std::string, int>>& marks) {
    for (size_t i = 0; i < marks.size(); ++i) {
      EXPECT_NE(PageText(class_pdf, marks[i].second, marks[i].second, dir_.File("text"))
                    .find("学号：" + students[i].id + "姓名：" + students[i].name),
                std::string::npos)
          << marks[i].first;
    }
  };

  // The browsers' profiles, in a temporary folder of the test's own.
  const std::vector<std::string> tmp = {"TMPDIR=" + dir_.File("tmp")};
  fs::create_directories(dir_.File("tmp"));
  const auto profiles = [&] {
    size_t n = 0;
    for (const auto& entry : fs::directory_iterator(dir_.File("tmp"))) {
      n += entry.path().filename().string().starts_with("generate-sheet-chromium-");
    }
    return n;
  };

  // Killed once the first student's PDF is there: its browser's profile
  // is left.
  write_manifest("");
  const pid_t pid = SpawnCli(batch({"--pdf"}), dir_.path(), tmp);
  ASSERT_GT(pid, 0);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (std::chrono::steady_clock::now() < deadline && !fs::exists(dir_.File("class/s1001.pdf"))) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  // Its browser holds its profile's lock as well, so the lock stays taken
  // while the browser outlives the batch.
  const std::string profile_flag = "--user-data-dir=" + dir_.File("tmp/generate-sheet-chromium-");
  std::string held_by_browser;
  for (const auto& process : fs::directory_iterator("/proc")) {
    const std::string name = process.path().filename().string();
    if (!std::all_of(name.begin(), name.end(), ::isdigit)) continue;
    std::ifstream in(process.path() / "cmdline", std::ios::binary);
    std::string command_line((std::istreambuf_iterator<char>(in)), {});
    std::replace(command_line.begin(), command_line.end(), '\0', ' ');
    const size_t flag = command_line.find(profile_flag);
    // The browser, not the processes it starts.
    if (flag == std::string::npos || command_line.find("--type=") != std::string::npos) continue;
    const size_t folder = flag + profile_flag.find('/');
    std::error_code ec;
    held_by_browser = fs::read_symlink(process.path() / "fd/5", ec).string();
    EXPECT_EQ(held_by_browser,
              command_line.substr(folder, command_line.find(' ', folder) - folder));
  }
  EXPECT_NE(held_by_browser, "") << "no browser of the batch found";
  ASSERT_EQ(::kill(pid, SIGKILL), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the batch ended before it could be killed";
  EXPECT_FALSE(fs::exists(class_pdf));
  EXPECT_EQ(profiles(), 1u);

  // The next run removes it (at the latest when its own browser stops,
  // should the killed one's browser still be running as it starts).
  CliResult r = Cli(batch({"--pdf", "--resume"}), tmp);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(profiles(), 0u);
  auto [marks, pages] = expected(0, false);
  EXPECT_EQ(Bookmarks(class_pdf, dir_.File("outline")), marks);
  EXPECT_EQ(PageCount(class_pdf, dir_.File("info")), pages);
  check_pages(marks);
  const json archive = json::parse(ReadFileForTest(dir_.File("class/MANIFEST.json")));
  EXPECT_EQ(archive["students"].size(), students.size());
  const auto listed = std::ranges::find_if(archive["files"],
                                           [](const json& f) { return f["path"] == "class.pdf"; });
  ASSERT_NE(listed, archive["files"].end()) << archive["files"];
  EXPECT_EQ((*listed)["kind"], "class_pdf");
  r = Cli({"verify", "class"});
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;

  // A broken package and a row whose PDF would be class.pdf: both listed on
  // the first page, neither bookmarked; with --duplex a blank page after
  // the list and after each student ending on an odd page.
  fs::create_directories(dir_.File("broken"));
  WriteFileForTest(dir_.File("broken/broken.zip"), "PK not a zip");
  write_manifest("broken,broken.zip,3001,坏包,英语\np1001,class.zip,3002,同名,英语\n");
  fs::copy_file(dir_.File("p1001/s1001.zip"), dir_.File("p1001/class.zip"));
  r = Cli(batch({"--pdf", "--resume", "--duplex"}));
  EXPECT_EQ(r.exit_code, 1) << r.err;
  EXPECT_NE(r.err.find("完整 0 页，有错误 0 页，未写出 2 页，跳过 5 页"), std::string::npos)
      << r.err;
  std::tie(marks, pages) = expected(1, true);
  ASSERT_FALSE(blanks.empty());
  EXPECT_EQ(Bookmarks(class_pdf, dir_.File("outline")), marks);
  EXPECT_EQ(PageCount(class_pdf, dir_.File("info")), pages);
  check_pages(marks);
  std::string first = PageText(class_pdf, 1, 1, dir_.File("text"));
  std::erase(first, '\n');
  EXPECT_NE(first.find("未收入本文件的考生（2名）"), std::string::npos) << first;
  for (const char* who : {"3001坏包页面未写出：答卷包不是zip文件",
                          "3002同名页面未写出：本行生成的class.pdf会覆盖班级PDF"}) {
    EXPECT_NE(first.find(who), std::string::npos) << first;
  }
  for (const Student& s : students) EXPECT_EQ(first.find(s.name), std::string::npos) << s.name;
  // The pages put in for duplex printing are blank.
  for (const int page : blanks) {
    EXPECT_EQ(PageText(class_pdf, page, page, dir_.File("text")), "\f") << page;
  }
}

// The browser is the program GENERATESHEET_BROWSER names, else one on PATH;
// one that is missing is told once, before any page is written.
// What pdftotext reads of a PDF: the text as laid out, and the place of
// every page, block and line.  Words are left out: they may be cut apart
// differently when the glyphs lie in other fonts of the PDF.
struct PrintedLayout {
  std::string text, boxes;
};

PrintedLayout ReadLayout(const std::string& pdf, const std::string& scratch) {
  static const std::regex kBoxes("<(page|block|line) [^>]*>");
  PrintedLayout read;
  read.text = Shell("pdftotext -layout " + ShellQuote(pdf) + " -", scratch);
  const std::string bbox = Shell("pdftotext -bbox-layout " + ShellQuote(pdf) + " -", scratch);
  for (std::sregex_iterator it(bbox.begin(), bbox.end(), kBoxes), end; it != end; ++it) {
    read.boxes += it->str() + "\n";
  }
  return read;
}

// Checks that `other` reads as `first` does, which holds `sample_text`.
void ExpectSameLayout(const PrintedLayout& first, const PrintedLayout& other,
                      const std::string& sample_text) {
  EXPECT_NE(first.text.find(sample_text), std::string::npos) << first.text;
  EXPECT_EQ(other.text, first.text);
  EXPECT_GT(std::count(first.boxes.begin(), first.boxes.end(), '\n'), 100);
  EXPECT_EQ(other.boxes, first.boxes);
}

// The template's CJK font cut down to each page's characters prints the
// samples as the installed font does: the same text on the same pages, each
// line, block and page where it was.  (Words may be cut apart differently:
// the whole font's glyphs spread over more of the PDF's fonts.)  The PDFs
// are smaller, which shows the subsets were used.
TEST_F(BrowserTest, FontSubsetsPrintAsTheInstalledFontDoes) {
  for (const char* page : {"english-2024010101.html", "cs2024020115.html"}) {
    SCOPED_TRACE(page);
    PrintedLayout read[2];
    std::uintmax_t size[2];
    for (const bool subsets : {false, true}) {
      cli::PdfPrinter printer;
      printer.SetFontSubsets(subsets);
      const std::string pdf =
          dir_.File(std::string(subsets ? "subset-" : "whole-") + page + ".pdf");
      printer.Print(dir_.File(std::string("demo/pages/") + page), pdf);
      size[subsets] = fs::file_size(pdf);
      read[subsets] = ReadLayout(pdf, dir_.File("scratch"));
    }
    ExpectSameLayout(read[0], read[1], "标准答案");
    EXPECT_LT(size[1], size[0] * 3 / 4);
  }
}

// How far a PDF's pages, drawn at 50 dpi in grey, lie from another's: the
// largest difference of a pixel, or 256 when the pages differ in number or
// size.
int LargestPixelDifference(const std::string& a, const std::string& b, const std::string& scratch) {
  int largest = 0;
  for (int page = 1;; ++page) {
    std::string drawn[2];
    for (int i = 0; i < 2; ++i) {
      const std::string out = scratch + "-" + std::to_string(i);
      const std::string range = " -f " + std::to_string(page) + " -l " + std::to_string(page);
      if (std::system(("pdftoppm -r 50 -gray -singlefile" + range + " " + ShellQuote(i ? b : a) +
                       " " + ShellQuote(out) + " 2>/dev/null")
                          .c_str()) != 0) {
        drawn[i].clear();
      } else {
        drawn[i] = ReadFileForTest(out + ".pgm");
        fs::remove(out + ".pgm");
      }
    }
    if (drawn[0].empty() || drawn[1].empty()) return drawn[0] == drawn[1] ? largest : 256;
    if (drawn[0].size() != drawn[1].size()) return 256;
    for (size_t i = 0; i < drawn[0].size(); ++i) {
      largest = std::max(largest, std::abs(static_cast<unsigned char>(drawn[0][i]) -
                                           static_cast<unsigned char>(drawn[1][i])));
    }
  }
}

// Pages printed together come out as each printed alone: the same text in
// the same places (the running header and page numbers too), the same
// drawing, the same title, and no trace of the marks that cut them apart.
// A page that cannot be read fails alone; a group whose print fails (a
// page that is not UTF-8), whose page style the running headers could not
// carry, or whose body tag has attributes (an onload would run over every
// student's body), is printed page by page.
TEST_F(BrowserTest, PagesPrintedTogetherLookAsEachPrintedAlone) {
  const std::string pages = dir_.File("demo/pages/");
  const std::string english = ReadFileForTest(pages + "english-2024010101.html");
  // Pages that must print alone: one that is not UTF-8 (its group's print
  // fails), and pairs whose page style cannot be carried over to the
  // running headers' document (a page selector, a counter of its own).
  const auto variant = [&](const std::string& name, const std::string& before,
                           const std::string& text) {
    std::string page = english;
    page.insert(page.find(before), text);
    WriteFileForTest(pages + name + ".html", page);
  };
  variant("not-utf8", "</body>", "<!-- \xff -->");
  for (const char* pair : {"a", "b"}) {
    variant(std::string("left-") + pair, "</head>",
            "<style>@page :left { margin-left: 20mm; }</style>");
    variant(std::string("counter-") + pair, "</head>",
            "<style>@page { @top-right { content: counter(chapter); } }</style>");
    variant(std::string("onload-") + pair, "<body>", "<body onload=\"\">");
  }
  const struct {
    std::vector<std::string> pages;
    bool together;
  } groups[] = {{{"english-2024010101", "cs2024020115", "missing"}, true},
                {{"cs2024020115", "not-utf8", "english-2024010101"}, false},
                {{"left-a", "left-b"}, false},
                {{"counter-a", "counter-b"}, false},
                {{"onload-a", "onload-b"}, false}};
  for (const auto& group : groups) {
    std::vector<cli::PagePrint> prints;
    for (const std::string& name : group.pages) {
      prints.push_back({pages + name + ".html", dir_.File(name + "-together.pdf")});
    }
    cli::PdfPrinter printer;
    // Each page is told done once, in order, its PDF already there.
    std::vector<std::tuple<size_t, std::string, bool>> told;
    const std::vector<std::string> failures =
        cli::PrintPages(printer, prints, true, [&](size_t i, const std::string& failure) {
          told.emplace_back(i, failure, fs::exists(prints[i].pdf_path));
        });
    ASSERT_EQ(failures.size(), prints.size());
    ASSERT_EQ(told.size(), prints.size());
    for (size_t i = 0; i < prints.size(); ++i) {
      EXPECT_EQ(told[i], std::make_tuple(i, failures[i], failures[i].empty()));
    }
    for (size_t i = 0; i < prints.size(); ++i) {
      SCOPED_TRACE(prints[i].pdf_path);
      if (group.pages[i] == "missing") {
        EXPECT_NE(failures[i].find(prints[i].pdf_path), std::string::npos) << failures[i];
        EXPECT_FALSE(fs::exists(prints[i].pdf_path));
        continue;
      }
      ASSERT_EQ(failures[i], "");
      const std::string alone = dir_.File(group.pages[i] + "-alone.pdf");
      printer.Print(prints[i].page_path, alone);
      ExpectSameLayout(ReadLayout(alone, dir_.File("scratch")),
                       ReadLayout(prints[i].pdf_path, dir_.File("scratch")), "第2页/共");
      const auto info = [&](const std::string& pdf) {
        return Shell("pdfinfo " + ShellQuote(pdf) + " | grep -E '^(Title|Pages|Page size):'",
                     dir_.File("scratch"));
      };
      EXPECT_EQ(info(prints[i].pdf_path), info(alone));
      EXPECT_LE(LargestPixelDifference(alone, prints[i].pdf_path, dir_.File("drawn")), 16);
      const std::string bytes = ReadFileForTest(prints[i].pdf_path);
      EXPECT_EQ(bytes.find("student.invalid"), std::string::npos);
      // Printed together, the running headers are laid over.
      EXPECT_EQ(bytes.find("/Fx0 Do") != std::string::npos, group.together);
    }
  }
}

// Checks that the text boxes of `other` lie where those of `first` do, to a
// quarter of a point: a font cut down to other characters may round the
// advances of a line differently.
void ExpectSamePlaces(const std::string& first, const std::string& other) {
  static const std::regex kNumber("[0-9]+\\.[0-9]+");
  const auto numbers = [](const std::string& boxes) {
    std::vector<double> read;
    for (std::sregex_iterator it(boxes.begin(), boxes.end(), kNumber), end; it != end; ++it) {
      read.push_back(std::stod(it->str()));
    }
    return read;
  };
  const std::vector<double> a = numbers(first), b = numbers(other);
  ASSERT_EQ(std::regex_replace(first, kNumber, "N"), std::regex_replace(other, kNumber, "N"));
  ASSERT_EQ(a.size(), b.size());
  ASSERT_GT(a.size(), 40u);
  for (size_t i = 0; i < a.size(); ++i) EXPECT_NEAR(a[i], b[i], 0.25) << i << "\n" << other;
}

// A class whose names are made to break out of the running header printed
// together: a style element closed, scripts, a form feed that would end the
// header's string, @page rules, quotes, backslashes, a line separator,
// control characters, a name wider than the page.  Each student's PDF reads
// as the student's page printed alone (text, layout, page count, title,
// running header), all but the widest were printed as one, and no script
// ran.
TEST_F(BrowserTest, NoStudentsTextReachesAnotherStudentsPrint) {
  const std::string script = "<script>document.write('PW' + 'NED')</script>";
  const std::vector<std::string> names = {
      "甲\f} } @page { margin: 0; @top-left { content: 'score 100 / 100' } } @page {",
      "乙</style>" + script, "丙</style><style>div:after { content: 'score 100' }</style><style>",
      script, "@page { margin: 0 } @page { @top-left { content: \"score 100 / 100\" } }",
      "\"引号'\"", "反\\斜\\\"杠\\", "行\u2028分隔", "控制\x01\x1b\t字符", "张三",
      // Wider than the page: printed alone, or the browser would shrink every
      // page of the group to fit it.
      "宽" + std::string(150, 'W')};
  const size_t wide = names.size() - 1;
  const std::string demo_key = GENERATESHEET_SOURCE_DIR "/samples/demo.key";
  const auto cipher = builder::CipherForKeyFile(demo_key);
  std::string csv = "package_folder,zip_name,student_id,student_name,subject\n";
  std::vector<std::string> stems, ids;
  for (size_t i = 0; i < names.size(); ++i) {
    std::string quoted = "\"";
    for (const char c : names[i]) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    quoted += "\"";
    // The first a paper of several pages, for the page counters.
    const std::string id = i == 0 ? "2024010101" : std::to_string(1000 + i);
    ids.push_back(id);
    if (i == 0) {
      csv += "demo/packages/english,english-2024010101.zip," + id + "," + quoted + ",英语\n";
      stems.push_back("english-2024010101");
      continue;
    }
    fs::create_directories(dir_.File("p" + id));
    builder::BuildAnswerPackage(SmallPaper(id), *cipher, dir_.File("p" + id + "/s" + id + ".zip"));
    csv += "p" + id + ",s" + id + ".zip," + id + "," + quoted + ",英语\n";
    stems.push_back("s" + id);
  }
  WriteFileForTest(dir_.File("class.csv"), csv);
  const CliResult r =
      Cli({"batch", "class.csv", "--out", "class", "--jobs", "1", "--pdf", "--key-file", demo_key});
  ASSERT_EQ(r.exit_code, 0) << r.err;

  cli::PdfPrinter printer;
  for (size_t i = 0; i < names.size(); ++i) {
    SCOPED_TRACE(names[i]);
    const std::string together = dir_.File("class/" + stems[i] + ".pdf");
    const std::string alone = dir_.File(stems[i] + "-alone.pdf");
    printer.Print(dir_.File("class/" + stems[i] + ".html"), alone);
    const PrintedLayout read = ReadLayout(alone, dir_.File("scratch"));
    const PrintedLayout other = ReadLayout(together, dir_.File("scratch"));
    // The same text, but for how spaces and control characters (which
    // show as nothing) are read out.
    const auto shown = [](std::string text) {
      std::erase_if(text, [](char c) { return c >= 0 && c < ' ' && c != '\n' && c != '\f'; });
      std::erase(text, ' ');
      return text;
    };
    EXPECT_EQ(shown(other.text), shown(read.text));
    ExpectSamePlaces(read.boxes, other.boxes);
    // Headed with the student, alone as together: every page opens with
    // the running header, and the first page's header follows it.
    const int pages = PageCount(alone, dir_.File("scratch"));
    for (const std::string& pdf : {alone, together}) {
      for (int page = 1; page <= pages; ++page) {
        const std::string text = PageText(pdf, page, page, dir_.File("scratch"));
        EXPECT_EQ(text.find("学号：" + ids[i]), text.find_first_not_of('\n')) << pdf << page;
        size_t heads = 0;
        for (size_t at = text.find("学号：" + ids[i]); at != std::string::npos;
             at = text.find("学号：" + ids[i], at + 1)) {
          ++heads;
        }
        EXPECT_EQ(heads, page == 1 ? 2u : 1u) << pdf << " page " << page << "\n" << text;
      }
    }
    const auto info = [&](const std::string& pdf) {
      return Shell("pdfinfo " + ShellQuote(pdf) + " | grep -E '^(Title|Pages|Page size):'",
                   dir_.File("scratch"));
    };
    EXPECT_EQ(info(together), info(alone));
    EXPECT_EQ(read.text.find("PWNED"), std::string::npos);
    EXPECT_EQ(ReadFileForTest(together).find("/Fx0 Do") != std::string::npos, i != wide)
        << "printed with the others?";
  }
  EXPECT_GT(PageCount(dir_.File("class/english-2024010101.pdf"), dir_.File("scratch")), 1);
  const std::string class_text =
      PageText(dir_.File("class/class.pdf"), 1, 100, dir_.File("scratch"));
  EXPECT_EQ(class_text.find("PWNED"), std::string::npos);
  EXPECT_NE(class_text.find("张三"), std::string::npos);
}

TEST_F(BrowserTest, TheBrowserIsNamedByTheVariableOrFoundOnPath) {
  fs::create_directories(dir_.File("bin"));
  const std::string no_browser = "PATH=" + dir_.File("bin");
  const std::string nothing = dir_.File("bin/nothing");
  const std::string on_path =
      "PATH 中没有 chromium、chromium-browser、google-chrome、google-chrome-stable。请先安装："
      "apt-get install chromium fonts-noto-cjk（或运行 scripts/install-deps.sh --with-browser），"
      "或用环境变量 GENERATESHEET_BROWSER 指明浏览器的路径";
  const auto named = [](const std::string& what) {
    return "环境变量 GENERATESHEET_BROWSER 指向的 " + what +
           " 不存在或不是可执行的程序。请把它设为 Chromium 或 Chrome 的路径，或删去它以在 PATH "
           "中查找 chromium、chromium-browser、google-chrome、google-chrome-stable";
  };
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"-GENERATESHEET_BROWSER", no_browser}, on_path},
      {{no_browser, "GENERATESHEET_BROWSER="}, on_path},
      {{no_browser, "GENERATESHEET_BROWSER=" + nothing}, named(nothing)},
      {{"GENERATESHEET_BROWSER=" + dir_.File("bin")}, named(dir_.File("bin"))},
      {{"GENERATESHEET_BROWSER=not-a-browser-anywhere"}, named("not-a-browser-anywhere")},
  };
  WriteFileForTest(dir_.File("class.csv"),
                   "package_folder,zip_name,student_id,student_name,subject\n"
                   "demo/packages/english,english-2024010101.zip,2024010101,李明,英语\n");
  for (const auto& [env, message] : cases) {
    SCOPED_TRACE(env.front() + " " + env.back());
    const CliResult r = Cli({"batch", "class.csv", "--out", "class", "--pdf", "--key-file",
                             GENERATESHEET_SOURCE_DIR "/samples/demo.key"},
                            env);
    EXPECT_EQ(r.exit_code, 1) << r.err;
    EXPECT_NE(r.err.find("generate-sheet batch：找不到浏览器，无法生成 PDF：" + message + "\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("找不到浏览器"), r.err.rfind("找不到浏览器")) << r.err;
    EXPECT_FALSE(fs::exists(dir_.File("class")));
  }

  // The browser through a link of another name, in a folder of its own.
  fs::create_symlink(kChromium, dir_.File("bin/my-browser"));
  for (const std::string& env : {"GENERATESHEET_BROWSER=" + dir_.File("bin/my-browser"),
                                 std::string("GENERATESHEET_BROWSER=my-browser")}) {
    SCOPED_TRACE(env);
    fs::remove_all(dir_.File("single"));
    const std::string path = "PATH=" + dir_.File("bin") + ":" + std::getenv("PATH");
    const CliResult r =
        Cli({"run", "--bak-data-path", "demo/packages/english", "--zip", "english-2024010101.zip",
             "--out", "single", "--student-id", "2024010101", "--pdf", "--key-file",
             GENERATESHEET_SOURCE_DIR "/samples/demo.key"},
            {env, path});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_TRUE(ReadFileForTest(dir_.File("single/english-2024010101.pdf")).starts_with("%PDF-"));
  }
}

}  // namespace
}  // namespace generatesheet::testing
