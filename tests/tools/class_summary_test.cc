// The class summary of a batch: a made-up class of 30 students whose
// answers are known, plus the two sample papers, run as one batch; the
// figures of summary.csv, items.csv and index.html are checked against
// values worked out here from the answers.
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <numeric>

#include "tools/cli_fixture.h"
#include "tools/summary/class_summary.h"

namespace generatesheet::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kStudents = 30;

// Question 1 (2 marks, answer C): 18 choose C, 6 A, 4 B, 2 give no answer.
// Question 2 (2 marks, answer A): students 0..9 choose A, the rest D.
// Question 3 (essay, 6 marks): student i obtains i % 7.
std::string Choice1(int i) { return i < 18 ? "C" : i < 24 ? "A" : i < 28 ? "B" : ""; }
std::string Choice2(int i) { return i < 10 ? "A" : "D"; }
double Score1(int i) { return i < 18 ? 2 : 0; }
double Score2(int i) { return i < 10 ? 2 : 0; }
double Score3(int i) { return i % 7; }
double Total(int i) { return Score1(i) + Score2(i) + Score3(i); }

std::string Code(const std::string& letter) {
  static const std::map<std::string, std::string> kCodes = {
      {"A", "1"}, {"B", "2"}, {"C", "4"}, {"D", "8"}};
  return kCodes.at(letter);
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

std::string Fixed(double value, int digits) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", digits, value);
  return text;
}

double Correlation(const std::vector<double>& x, const std::vector<double>& y) {
  const double n = static_cast<double>(x.size());
  const double mx = std::accumulate(x.begin(), x.end(), 0.0) / n;
  const double my = std::accumulate(y.begin(), y.end(), 0.0) / n;
  double sxy = 0, sxx = 0, syy = 0;
  for (size_t i = 0; i < x.size(); ++i) {
    sxy += (x[i] - mx) * (y[i] - my);
    sxx += (x[i] - mx) * (x[i] - mx);
    syy += (y[i] - my) * (y[i] - my);
  }
  return sxy / std::sqrt(sxx * syy);
}

// The lines of a CSV file, without their CR LF.
std::vector<std::string> CsvLines(const std::string& text) {
  std::vector<std::string> lines = Lines(text);
  for (std::string& line : lines) {
    if (line.ends_with('\r')) line.pop_back();
  }
  return lines;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields(1);
  for (const char c : line) {
    if (c == ',') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

class ClassSummaryTest : public CliTest {
 protected:
  builder::PackageDescription StudentPaper(int i) const {
    builder::PackageDescription d;
    d.student_id = "C" + std::to_string(100 + i);
    d.question_types = {{{"I_CmdId", 1}, {"C_DataCode", "86"}, {"C_TestStyle", "单选题"}},
                        {{"I_CmdId", 2}, {"C_DataCode", "88"}, {"C_TestStyle", "写作"}}};
    for (int q = 1; q <= 3; ++q) {
      d.titles.push_back({{"I_QuestionNo", q},
                          {"M_Title", "题目 " + std::to_string(q)},
                          {"C_DataCode", q < 3 ? "86" : "88"}});
    }
    for (int q = 1; q <= 2; ++q) {
      for (const char* letter : {"A", "B", "C", "D"}) {
        d.choices.push_back({{"I_QuestionNo", q},
                             {"C_ChoiceAnswer", letter},
                             {"M_AnswerCont", std::string("选项") + letter}});
      }
    }
    const double scores[] = {Score1(i), Score2(i), Score3(i)};
    for (int q = 1; q <= 3; ++q) {
      d.accounts.push_back(
          {{"I_QuestionNo", q}, {"S_GetScore", Number(scores[q - 1])}, {"I_RECNO", 100 + q}});
    }
    const std::string c1 = Choice1(i);
    d.analysis.push_back({{"I_QuestionNo", 1},
                          {"I_TypeID", 1},
                          {"M_StudentAnswer", c1.empty() ? builder::Cell() : Code(c1)},
                          {"M_TopicAns", Code("C")},
                          {"S_Score", 2}});
    d.analysis.push_back({{"I_QuestionNo", 2},
                          {"I_TypeID", 1},
                          {"M_StudentAnswer", Code(Choice2(i))},
                          {"M_TopicAns", Code("A")},
                          {"S_Score", 2}});
    d.analysis.push_back({{"I_QuestionNo", 3},
                          {"I_TypeID", 5},
                          {"M_StudentAnswer", "作文"},
                          {"M_TopicAns", "范文"},
                          {"S_Score", 6}});
    return d;
  }

  // The manifest of the class and the two samples, packed with the test key.
  std::string ClassManifest() {
    std::ofstream csv(dir_.File("class.csv"), std::ios::binary);
    csv << "package_folder,zip_name,student_id,student_name,subject\n";
    for (int i = 0; i < kStudents; ++i) {
      const builder::PackageDescription d = StudentPaper(i);
      const std::string folder = "class/" + d.student_id;
      fs::create_directories(dir_.File(folder));
      builder::BuildAnswerPackage(d, *cipher_, dir_.File(folder + "/" + d.student_id + ".zip"));
      csv << folder << "," << d.student_id << ".zip," << d.student_id << ",学生" << i << ",测验\n";
    }
    const std::pair<const char*, const char*> samples[] = {
        {"english", "english-2024010101.zip,2024010101,李明,英语"},
        {"computer-basics", "cs#2024020115.zip,2024020115,王芳,计算机应用基础"}};
    for (const auto& [sample, row] : samples) {
      const CliResult pack =
          Cli({"pack", std::string(GENERATESHEET_SOURCE_DIR "/samples/") + sample + ".json",
               "--out", std::string("samples/") + sample, "--key-file", key_file_});
      EXPECT_EQ(pack.exit_code, 0) << pack.err;
      csv << "samples/" << sample << "," << row << "\n";
    }
    return dir_.File("class.csv");
  }
};

TEST_F(ClassSummaryTest, FiguresOfAKnownClass) {
  const CliResult r = Cli({"batch", ClassManifest(), "--out", "pages", "--jobs", "2", "--marks"},
                          {"GENERATESHEET_KEY_FILE=" + key_file_});
  ASSERT_EQ(r.exit_code, 0) << r.err;

  // summary.csv: UTF-8 with a byte-order mark, one row per student.
  const std::string summary = ReadFileForTest(dir_.File("pages/summary.csv"));
  ASSERT_TRUE(summary.starts_with("\xEF\xBB\xBF学号,姓名,科目,得分,结果,页面\r\n"));
  const std::vector<std::string> rows = CsvLines(summary);
  ASSERT_EQ(rows.size(), kStudents + 3u);
  for (int i = 0; i < kStudents; ++i) {
    const std::string id = "C" + std::to_string(100 + i);
    EXPECT_EQ(rows[static_cast<size_t>(i) + 1], id + ",学生" + std::to_string(i) + ",测验," +
                                                    Number(Total(i)) + ",完整," + id + ".html");
  }
  // The samples' scores are the sums of their obtained scores.
  EXPECT_EQ(rows[kStudents + 1], "2024010101,李明,英语,46,完整,english-2024010101.html");
  EXPECT_EQ(rows[kStudents + 2], "2024020115,王芳,计算机应用基础,66.5,完整,cs2024020115.html");

  // The class figures in index.html.
  std::vector<double> totals;
  for (int i = 0; i < kStudents; ++i) totals.push_back(Total(i));
  totals.push_back(46);
  totals.push_back(66.5);
  const double n = static_cast<double>(totals.size());
  const double mean = std::accumulate(totals.begin(), totals.end(), 0.0) / n;
  double squares = 0;
  for (double t : totals) squares += (t - mean) * (t - mean);
  std::vector<double> sorted = totals;
  std::sort(sorted.begin(), sorted.end());
  const double median = (sorted[15] + sorted[16]) / 2;
  const std::string index = ReadFileForTest(dir_.File("pages/index.html"));
  const std::string cell = "</td><td class='number'>";
  EXPECT_NE(index.find("<td class='number'>32" + cell + Fixed(mean, 2) + cell + Fixed(median, 2) +
                       cell + Fixed(sorted.front(), 2) + cell + Fixed(sorted.back(), 2) + cell +
                       Fixed(std::sqrt(squares / n), 2) + "</td>"),
            std::string::npos)
      << index.substr(0, 3000);
  EXPECT_EQ(index.find("http"), std::string::npos) << "the summary must work offline";
  EXPECT_NE(index.find("<svg class='histogram'"), std::string::npos);

  // items.csv: facility, option shares, share not answering, discrimination.
  const std::string items_csv = ReadFileForTest(dir_.File("pages/items.csv"));
  ASSERT_TRUE(
      items_csv.starts_with("\xEF\xBB\xBF科目,题号,题型,满分,人数,难度,区分度,"
                            "未作答比例,标准答案,选项分布\r\n"));
  std::map<int, std::vector<std::string>> items;
  std::vector<double> facilities;
  for (const std::string& line : CsvLines(items_csv)) {
    const std::vector<std::string> f = Fields(line);
    if (f.size() > 5 && !f[5].empty() && f[5] != "难度") facilities.push_back(std::stod(f[5]));
    if (f[0] == "测验") items[std::stoi(f[1])] = f;
  }
  EXPECT_TRUE(std::is_sorted(facilities.begin(), facilities.end())) << "hardest first";
  ASSERT_EQ(items.size(), 3u);
  const auto rest = [&](double (*score)(int)) {
    std::vector<double> own, others;
    for (int i = 0; i < kStudents; ++i) {
      own.push_back(score(i));
      others.push_back(Total(i) - score(i));
    }
    return Fixed(Correlation(own, others), 4);
  };
  // subject, number, family, full, students, facility, discrimination,
  // unanswered, answer, options
  EXPECT_EQ(items[1],
            (std::vector<std::string>{"测验", "1", "单选题", "2", "30", Fixed(18 / 30.0, 4),
                                      rest(Score1), Fixed(2 / 30.0, 4), "C",
                                      "A:" + Fixed(6 / 30.0, 4) + ";B:" + Fixed(4 / 30.0, 4) +
                                          ";C:" + Fixed(18 / 30.0, 4) + ";D:0.0000"}));
  EXPECT_EQ(items[2],
            (std::vector<std::string>{
                "测验", "2", "单选题", "2", "30", Fixed(10 / 30.0, 4), rest(Score2), "0.0000", "A",
                "A:" + Fixed(10 / 30.0, 4) + ";B:0.0000;C:0.0000;D:" + Fixed(20 / 30.0, 4)}));
  double essay = 0;
  for (int i = 0; i < kStudents; ++i) essay += Score3(i);
  EXPECT_EQ(items[3], (std::vector<std::string>{"测验", "3", "论述题", "6", "30",
                                                Fixed(essay / (6 * 30.0), 4), rest(Score3),
                                                "0.0000", "", ""}));

  // The worst distractor of question 2 is D, chosen by two thirds.
  EXPECT_NE(index.find("<span class='option worst'>D 66.7%</span>"), std::string::npos);
  EXPECT_NE(index.find("<span class='option correct'>A ✔ 33.3%</span>"), std::string::npos);

  // The summary command rebuilds the same figures from the results files.
  fs::remove(dir_.File("pages/items.csv"));
  const CliResult rebuilt = Cli({"summary", "pages"});
  ASSERT_EQ(rebuilt.exit_code, 0) << rebuilt.err;
  EXPECT_EQ(CsvLines(ReadFileForTest(dir_.File("pages/items.csv"))).size(),
            items.size() + 1 + 18 + 20);
}

// A results file of one student, as a batch writes it; `result` is merged
// into its one question's result.
std::string RecordText(const std::string& id,
                       const nlohmann::json& result = nlohmann::json::object()) {
  nlohmann::json question = {{"number", 3},           {"family", "essay"},
                             {"choice", false},       {"options", nlohmann::json::array()},
                             {"student_answer", "a"}, {"standard_answer", "b"},
                             {"obtained", "2"},       {"full", "4"},
                             {"verdict", "partial"},  {"error", nullptr}};
  question.merge_patch(result);
  return nlohmann::json({{"student_id", id},
                         {"student_name", "学生" + id},
                         {"subject", "英语"},
                         {"outcome", "complete"},
                         {"page", id + ".html"},
                         {"message", ""},
                         {"results", {question}}})
      .dump();
}

TEST_F(ClassSummaryTest, SummaryOfAFolderWithoutResultsFails) {
  fs::create_directories(dir_.File("empty"));
  const CliResult r = Cli({"summary", "empty"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("文件夹中没有学生结果文件"), std::string::npos) << r.err;
}

// Records that are damaged, hostile or beyond the bounds are each named and
// listed as unreadable; names that are no regular file are skipped and
// named; the readable records are summed as ever.
TEST_F(ClassSummaryTest, UnreadableRecordsAreNamedAndTheRestSummed) {
  fs::create_directories(dir_.File("pages"));
  WriteFileForTest(dir_.File("pages/good.results.json"), RecordText("1001"));
  WriteFileForTest(dir_.File("pages/good.html"), "<html></html>");
  std::string many = R"({"student_id": "1", "student_name": "", "subject": "", "outcome":
      "complete", "page": "many.html", "message": "", "results": [{})";
  for (int i = 0; i < 65536; ++i) many += ",{}";
  many += "]}";
  const std::pair<std::string, std::string> cases[] = {
      {"deep", "{\"a\":" + std::string(100000, '[') + std::string(100000, ']') + "}"},
      {"many", many},
      {"number", RecordText("3", {{"number", 1e300}})},
      {"blank", RecordText("4", {{"obtained", " 3 "}})},
      {"full", RecordText("5", {{"full", "4 分"}})},
      {"id", R"({"student_id": 3})"},
  };
  const std::map<std::string, std::string> why = {
      {"deep", "嵌套超过 16 层"},
      {"many", "题目超过 65536 道"},
      {"number", "题号不是有效的整数：1e+300"},
      {"blank", "第 3 题的得分不是有效的数字：\" 3 \""},
      {"full", "第 3 题的满分不是有效的数字"},
      {"id", "[json.exception.type_error.302] type must be string"},
      {"big", "文件过大（超过 64 MiB）"},
  };
  for (const auto& [name, text] : cases) {
    WriteFileForTest(dir_.File("pages/" + name + ".results.json"), text);
  }
  // Readable, but its total is beyond the exact sum: unknown, not a crash.
  nlohmann::json huge = nlohmann::json::parse(
      RecordText("7", {{"obtained", "99999999999999999999"}, {"full", "99999999999999999999"}}));
  huge["results"].push_back(huge["results"][0]);
  huge["results"][1]["number"] = 4;
  WriteFileForTest(dir_.File("pages/huge.results.json"), huge.dump());
  std::ofstream(dir_.File("pages/big.results.json")) << RecordText("6");
  fs::resize_file(dir_.File("pages/big.results.json"), 64 * 1024 * 1024 + 1);
  // Named like records, but a link out of the folder, a pipe and a folder.
  fs::create_directories(dir_.File("elsewhere"));
  WriteFileForTest(dir_.File("elsewhere/x.results.json"), RecordText("9999"));
  fs::create_symlink("../elsewhere/x.results.json", dir_.File("pages/link.results.json"));
  ASSERT_EQ(::mkfifo(dir_.File("pages/pipe.results.json").c_str(), 0600), 0);
  fs::create_directories(dir_.File("pages/folder.results.json"));

  const CliResult r = Cli({"summary", "pages"});
  EXPECT_EQ(r.exit_code, 3) << r.err;
  for (const auto& [name, message] : why) {
    EXPECT_NE(r.err.find("学生结果文件无法读取：pages/" + name + ".results.json：" + message),
              std::string::npos)
        << name << "\n"
        << r.err.substr(0, 2000);
  }
  for (const char* skipped :
       {"pages/link.results.json（符号链接）", "pages/pipe.results.json（命名管道）",
        "pages/folder.results.json（文件夹）"}) {
    EXPECT_NE(r.err.find(std::string("已跳过：") + skipped + "\n"), std::string::npos) << r.err;
  }
  EXPECT_NE(r.err.find("汇总了 9 名学生，其中 7 个结果文件无法读取（未计入成绩）；跳过 3 个\n"),
            std::string::npos)
      << r.err;
  const std::vector<std::string> rows = CsvLines(ReadFileForTest(dir_.File("pages/summary.csv")));
  ASSERT_EQ(rows.size(), 10u);
  EXPECT_EQ(rows[5], "1001,学生1001,英语,2,完整,1001.html");
  EXPECT_EQ(rows[6], "7,学生7,英语,,完整,7.html");
  EXPECT_EQ(rows[1], ",,,,未写出,");  // big: no page beside it
  EXPECT_EQ(ReadFileForTest(dir_.File("pages/summary.csv")).find("9999"), std::string::npos);
}

// Names come from manifests and packages: they are escaped, and a link to
// a page never leaves the folder or runs script.
TEST(ClassSummaryHtmlTest, NamesAreEscapedAndLinksStayRelative) {
  cli::StudentRecord record;
  record.student_id = "<b>1</b>";
  record.student_name = "O'Neil & \"Co\"";
  record.subject = "英语";
  record.state = Outcome::kComplete;
  record.page = "javascript:alert(1)?#'.html";
  const std::string html = cli::SummaryOf({record}).Html();
  EXPECT_NE(html.find("<td>&lt;b&gt;1&lt;/b&gt;</td><td>O&#39;Neil &amp; &quot;Co&quot;</td>"),
            std::string::npos)
      << html;
  EXPECT_NE(html.find("<a href='./javascript:alert(1)%3F%23%27.html'>"), std::string::npos);
  // A page written with errors is still there to look at: linked.
  record.state = Outcome::kWrittenWithErrors;
  EXPECT_NE(cli::SummaryOf({record}).Html().find(
                "<td class='outcome with_errors' title=''>有错误</td><td><a href='./"),
            std::string::npos)
      << cli::SummaryOf({record}).Html();
  // A student whose page was not written gets no link, and the reason
  // shows in the row, escaped.
  record.state = Outcome::kNotWritten;
  record.message = "答卷包不是 zip 文件：<img src=x>.zip";
  EXPECT_EQ(cli::SummaryOf({record}).Html().find("<a href"), std::string::npos);
  EXPECT_NE(cli::SummaryOf({record}).Html().find(
                "未写出<div class='cause'>答卷包不是 zip 文件：&lt;img src=x&gt;.zip</div></td>"),
            std::string::npos);
  EXPECT_NE(
      cli::SummaryOf({record}).StudentsCsv().find("\"O'Neil & \"\"Co\"\"\",英语,,未写出,\r\n"),
      std::string::npos)
      << cli::SummaryOf({record}).StudentsCsv();
}

// A name or subject that opens like a formula is text in a spreadsheet; a
// number, negative too, stays a number.
TEST(ClassSummaryCsvTest, CellsThatOpenLikeFormulasAreMadeText) {
  const std::pair<std::string, std::string> cases[] = {
      {"=HYPERLINK(\"http://x.example/\",\"点我\")",
       "\"'=HYPERLINK(\"\"http://x.example/\"\",\"\"点我\"\")\""},
      {"+86 10 1234", "'+86 10 1234"},
      {"-2+3", "'-2+3"},
      {"@SUM(A1)", "'@SUM(A1)"},
      {"\t=1", "'\t=1"},
      {"\r=1", "\"'\r=1\""},
      {"-", "'-"},
      {"-.", "'-."},
      {"-3", "-3"},
      {"-0.25", "-0.25"},
      {"+.5", "+.5"},
      {"12", "12"},
      {"李=明", "李=明"},
  };
  for (const auto& [name, cell] : cases) {
    SCOPED_TRACE(name);
    cli::StudentRecord record;
    record.student_id = "1";
    record.student_name = name;
    record.subject = name;
    record.state = Outcome::kNotWritten;
    EXPECT_EQ(CsvLines(cli::SummaryOf({record}).StudentsCsv())[1],
              "1," + cell + "," + cell + ",,未写出,");
  }
}

// The edges of the class figures, each on a small class made up here: a
// question worth nothing, an essay left blank, an even number of students,
// scores on and between the histogram's bin edges, two wrong options
// chosen equally often.
struct ClassCase {
  const char* name;
  std::vector<std::vector<QuestionResult>> students;  // one paper each
  std::vector<std::string> in_html;                   // pieces index.html holds
  std::string items_row;                              // the first question's row of items.csv
};

QuestionResult Essay(int number, const char* answer, const char* obtained, const char* full) {
  QuestionResult r;
  r.number = number;
  r.family = QuestionFamily::kEssay;
  r.student_answered = answer != nullptr;
  r.student_answer = answer ? answer : "";
  r.obtained = obtained;
  r.full = full;
  return r;
}

QuestionResult Choice(int number, const char* answer, const char* obtained) {
  QuestionResult r = Essay(number, answer, obtained, "2");
  r.family = QuestionFamily::kSingleChoice;
  r.choice = true;
  r.options = {"A", "B", "C", "D"};
  r.standard_answer = "C";
  return r;
}

TEST(ClassFiguresTest, EdgeCasesOfTheFigures) {
  const std::string bins = "<g class='bin'><title>";
  const ClassCase cases[] = {
      {"a question worth nothing has no facility, not nan%",
       {{Essay(1, "x", "0", "0")}, {Essay(1, "y", "0", "0")}},
       {"<td class='number' data-value=''>—</td>"},
       "测验,1,论述题,0,2,,,0.0000,,"},
      {"an essay left blank counts as not answered",
       {{Essay(1, nullptr, "0", "5")},
        {Essay(1, "a", "5", "5")},
        {Essay(1, "b", "5", "5")},
        {Essay(1, "c", "0", "5")}},
       {"<td class='number' data-value='0.2500'>25.0%</td>"},
       "测验,1,论述题,5,4,0.5000,,0.2500,,"},
      {"the median of an even count is the mean of the middle two",
       {{Essay(1, "a", "1", "10")},
        {Essay(1, "b", "10", "10")},
        {Essay(1, "c", "2", "10")},
        {Essay(1, "d", "4", "10")}},
       {"<td class='number'>4</td><td class='number'>4.25</td><td class='number'>3.00</td>"
        "<td class='number'>1.00</td><td class='number'>10.00</td>"},
       "测验,1,论述题,10,4,0.4250,,0.0000,,"},
      {"a score falls in the bin whose lower edge it reaches",
       {{Essay(1, "a", "0", "100")},
        {Essay(1, "b", "9.5", "100")},
        {Essay(1, "c", "10", "100")},
        {Essay(1, "d", "55", "100")},
        {Essay(1, "e", "59.5", "100")},
        {Essay(1, "f", "60", "100")},
        {Essay(1, "g", "99", "100")},
        {Essay(1, "h", "100", "100")}},
       {bins + "0–10 分：2 人</title>", bins + "10–20 分：1 人</title>",
        bins + "20–30 分：0 人</title>", bins + "40–50 分：0 人</title>",
        bins + "50–60 分：2 人</title>", bins + "60–70 分：1 人</title>",
        bins + "80–90 分：0 人</title>", bins + "90–100 分：2 人</title>"},
       ""},
      {"of two wrong options chosen as often, the one listed first is marked",
       {{Choice(1, "B", "0")}, {Choice(1, "A", "0")}, {Choice(1, "C", "2")}},
       {"<span class='option worst'>A 33.3%</span><span class='option'>B 33.3%</span>"
        "<span class='option correct'>C ✔ 33.3%</span>"},
       "测验,1,单选题,2,3,0.3333,,0.0000,C,A:0.3333;B:0.3333;C:0.3333;D:0.0000"},
  };
  for (const ClassCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<cli::StudentRecord> records;
    for (const std::vector<QuestionResult>& results : c.students) {
      cli::StudentRecord record;
      record.student_id = std::to_string(records.size() + 1);
      record.subject = "测验";
      record.state = Outcome::kComplete;
      record.page = record.student_id + ".html";
      record.results = results;
      records.push_back(record);
    }
    const cli::ClassSummary summary = cli::SummaryOf(records);
    const std::string html = summary.Html();
    for (const std::string& piece : c.in_html) {
      EXPECT_NE(html.find(piece), std::string::npos) << piece;
    }
    EXPECT_EQ(html.find("nan"), std::string::npos);
    if (!c.items_row.empty()) {
      EXPECT_EQ(CsvLines(summary.ItemsCsv())[1], c.items_row);
    }
  }
}

}  // namespace
}  // namespace generatesheet::testing
