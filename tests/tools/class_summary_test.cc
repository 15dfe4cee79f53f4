// The class summary of a batch: a made-up class of 30 students whose
// answers are known, plus the two sample papers, run as one batch; the
// figures of summary.csv, items.csv, scores.csv, summary.json, summary.xlsx
// and index.html are checked against values worked out here from the
// answers.  The workbook is read back with openpyxl (Debian
// python3-openpyxl), a reader independent of the one that writes it.
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <numeric>
#include <regex>
#include <set>

#include "support/command_output.h"
#include "tools/cli_fixture.h"
#include "tools/job/output_files.h"
#include "tools/summary/class_figures.h"
#include "tools/summary/class_summary.h"
#include "tools/summary/student_standing.h"
#include "tools/summary/xlsx_workbook.h"
#include "tools/summary_files.h"

namespace generatesheet::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kStudents = 30;
// The class's first row in the summary's files: the two samples' student
// numbers sort before the class's ("C100" ...).
constexpr size_t kFirstRow = 3;

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

// Each student's place in the group of the `group` highest (`upper`) or
// lowest totals: a student beyond the total at the cut has a whole place;
// the students at that total share the places left.
std::vector<double> TiedShares(const std::vector<double>& totals, size_t group, bool upper) {
  std::vector<double> ranked = totals;
  std::sort(ranked.begin(), ranked.end());
  if (upper) std::reverse(ranked.begin(), ranked.end());
  const double cut = ranked[group - 1];
  double whole = 0, tied = 0;
  for (double t : totals) {
    whole += upper ? t > cut : t < cut;
    tied += t == cut;
  }
  std::vector<double> places;
  for (double t : totals) {
    places.push_back((upper ? t > cut : t < cut) ? 1 : t == cut ? (group - whole) / tied : 0);
  }
  return places;
}

// n − 1 variance.
double Variance(const std::vector<double>& x) {
  const double n = static_cast<double>(x.size());
  const double m = std::accumulate(x.begin(), x.end(), 0.0) / n;
  double squares = 0;
  for (double v : x) squares += (v - m) * (v - m);
  return squares / (n - 1);
}

// The column of `name` in a CSV header line.
size_t Column(const std::string& header, const std::string& name) {
  const std::vector<std::string> names = Fields(header);
  const auto at = std::find(names.begin(), names.end(), name);
  EXPECT_NE(at, names.end()) << name;
  return static_cast<size_t>(at - names.begin());
}

// The spreadsheet name of column `n` (0-based): A … Z, AA ….
std::string ColumnName(size_t n) {
  std::string name;
  for (++n; n > 0; n = (n - 1) / 26)
    name.insert(name.begin(), static_cast<char>('A' + (n - 1) % 26));
  return name;
}

// Each sheet of summary.xlsx is a table: the header row frozen (and the
// names beside it), an autofilter over every row written, the header the
// same as the CSV file's.  A question's 提示 cell is filled when it holds
// flags, and so is the figure each flag is about, and no other.
void ExpectWorkbookTables(const nlohmann::json& book, const std::string& folder) {
  std::vector<std::string> names;
  for (const nlohmann::json& sheet : book["sheets"]) names.push_back(sheet["name"]);
  EXPECT_EQ(names,
            (std::vector<std::string>{"学生", "试题", "得分矩阵", "班级", "大题", "误选学生"}));
  const std::pair<const char*, const char*> csv_of[] = {
      {"学生", "summary.csv"}, {"试题", "items.csv"}, {"得分矩阵", "scores.csv"}};
  for (const auto& [name, csv] : csv_of) {
    SCOPED_TRACE(name);
    const Sheet sheet(book, name);
    std::string header = Lines(ReadFileForTest(folder + csv))[0];
    header = header.substr(3, header.size() - 4);  // the BOM, the CR
    EXPECT_EQ(sheet.Header(), Fields(header));
    EXPECT_EQ(sheet.rows(), CsvLines(ReadFileForTest(folder + csv)).size());
  }
  // Under two lines of title (the exam, then the date and the sheet), the
  // header; printed across A4, one page wide, the lines down to the header
  // on every page.
  const std::pair<const char*, const char*> frozen[] = {
      {"学生", "C4"}, {"试题", "C4"}, {"得分矩阵", "D4"}, {"班级", "C4"}};
  for (const auto& [name, cell] : frozen) {
    SCOPED_TRACE(name);
    const Sheet sheet(book, name);
    EXPECT_EQ(sheet.json()["freeze"], cell);
    EXPECT_EQ(sheet.json()["filter"],
              "A3:" + ColumnName(sheet.Header().size() - 1) + std::to_string(sheet.rows() + 2));
    EXPECT_EQ(sheet.json()["title_rows"],
              nlohmann::json::parse("[[\"" + book["title"].get<std::string>() + "\"], [\"日期：" +
                                    RunDateForTest() + "　工作表：" + name + "\"]]"));
    EXPECT_EQ(sheet.json()["print"],
              nlohmann::json::parse(R"({"orientation": "landscape", "paper": 9,
                  "fit_to_page": true, "fit_width": 1, "fit_height": 0,
                  "title_rows": "$1:$3"})"));
  }
  // Each page is a link to it, beside the workbook.
  const Sheet students(book, "学生");
  size_t linked = 0;
  for (size_t r = 1; r < students.rows(); ++r) {
    const nlohmann::json& page = students.Cell(r, "页面");
    if (page["value"].is_null()) continue;
    EXPECT_EQ(page["link"], page["value"]) << r;
    ++linked;
  }
  EXPECT_GT(linked, 0u);
  const Sheet items(book, "试题");
  size_t flagged = 0;
  for (size_t r = 1; r < items.rows(); ++r) {
    const nlohmann::json& flags = items.Cell(r, "提示");
    const bool any = flags["value"].is_string() && !flags["value"].get<std::string>().empty();
    flagged += any;
    EXPECT_EQ(flags["fill"].is_string(), any) << r;
    const std::string text = any ? flags["value"].get<std::string>() : "";
    const auto filled = [&](const char* column) {
      return items.Cell(r, column)["fill"].is_string();
    };
    EXPECT_EQ(filled("难度"),
              text.find("过难") != std::string::npos || text.find("过易") != std::string::npos)
        << r;
    EXPECT_EQ(filled("区分度"), text.find("区分度") != std::string::npos) << r;
    EXPECT_EQ(filled("标准答案"), text.find("标准答案可能有误") != std::string::npos) << r;
  }
  EXPECT_GT(flagged, 0u) << "the samples' questions answered by one student are flagged";
}

// The figures of the class of 30 in summary.json and the CSV files, worked
// out here from the known scores: n − 1 spread, Excel/Moodle sample
// skewness and kurtosis, alpha and SEM, the 27% groups (8 of 30; of equal
// totals the earlier row is higher), D, alpha without each question, per
// option the group shares and the point-biserial against the rest, ranks.
void ExpectFiguresOfTheClass(const std::string& folder) {
  const nlohmann::json all = nlohmann::json::parse(ReadFileForTest(folder + "summary.json"));
  const nlohmann::json book = ReadWorkbook(folder + "summary.xlsx");
  ExpectWorkbookTables(book, folder);
  const Sheet class_sheet(book, "班级"), item_sheet(book, "试题");
  const Sheet student_sheet(book, "学生"), matrix_sheet(book, "得分矩阵");
  ASSERT_EQ(all["subjects"].size(), 3u) << "one set of figures per subject";
  const nlohmann::json& s = all["subjects"][0];
  ASSERT_EQ(s["subject"], "测验");
  EXPECT_EQ(s["sections"], nlohmann::json::array({"一、单选题", "二、写作"}));
  EXPECT_FALSE(s.contains("classes")) << "no class named: no class figures";
  for (const nlohmann::json& alone : all["subjects"]) {
    if (alone["subject"] != "英语") continue;
    // One student: figures of spread and reliability are null, not NaN.
    EXPECT_EQ(alone["count"], 1);
    EXPECT_EQ(alone["mean"], 46.0) << "the samples are not mixed in";
    for (const char* key : {"sd", "skewness", "kurtosis", "alpha", "sem"}) {
      EXPECT_TRUE(alone[key].is_null()) << key;
    }
    EXPECT_EQ(alone["population_sd"], 0.0);
    EXPECT_TRUE(alone["questions"][0]["upper_lower"].is_null());
    const size_t row = class_sheet.Row({{"科目", "英语"}});
    EXPECT_EQ(class_sheet.Number(row, "平均分", "0.00"), 46.0);
    for (const char* column : {"标准差（n−1）", "偏度", "峰度", "信度 α", "测量标准误"}) {
      EXPECT_TRUE(class_sheet.Cell(row, column)["value"].is_null()) << column;
    }
  }

  double (*const scores[])(int) = {Score1, Score2, Score3};
  const double fulls[] = {2, 2, 6};
  std::vector<double> totals;
  std::vector<std::vector<double>> items(3);
  for (int i = 0; i < kStudents; ++i) {
    totals.push_back(Total(i));
    for (size_t q = 0; q < 3; ++q) items[q].push_back(scores[q](i));
  }
  const double n = kStudents;
  const double mean = std::accumulate(totals.begin(), totals.end(), 0.0) / n;
  const double sd = std::sqrt(Variance(totals));
  double z3 = 0, z4 = 0;
  for (double t : totals) {
    z3 += std::pow((t - mean) / sd, 3);
    z4 += std::pow((t - mean) / sd, 4);
  }
  const double skewness = n / ((n - 1) * (n - 2)) * z3;
  const double kurtosis = n * (n + 1) / ((n - 1) * (n - 2) * (n - 3)) * z4 -
                          3 * (n - 1) * (n - 1) / ((n - 2) * (n - 3));
  const double item_variances = Variance(items[0]) + Variance(items[1]) + Variance(items[2]);
  const double alpha = 1.5 * (1 - item_variances / Variance(totals));
  EXPECT_EQ(s["count"], kStudents);
  EXPECT_NEAR(s["mean"].get<double>(), mean, 1e-9);
  EXPECT_NEAR(s["sd"].get<double>(), sd, 1e-9);
  EXPECT_NEAR(s["population_sd"].get<double>(), sd * std::sqrt((n - 1) / n), 1e-9);
  EXPECT_NEAR(s["skewness"].get<double>(), skewness, 1e-9);
  EXPECT_NEAR(s["kurtosis"].get<double>(), kurtosis, 1e-9);
  EXPECT_NEAR(s["alpha"].get<double>(), alpha, 1e-9);
  EXPECT_EQ(s["kr20"], false) << "the essay is scored in parts";
  EXPECT_NEAR(s["sem"].get<double>(), sd * std::sqrt(1 - alpha), 1e-9);
  {
    const size_t row = class_sheet.Row({{"范围", "全体"}, {"科目", "测验"}});
    std::vector<double> sorted = totals;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(class_sheet.Number(row, "人数", "0"), kStudents);
    EXPECT_EQ(class_sheet.Number(row, "完整作答人数", "0"), kStudents);
    EXPECT_NEAR(class_sheet.Number(row, "平均分", "0.00"), mean, 1e-9);
    EXPECT_NEAR(class_sheet.Number(row, "中位数", "0.00"), (sorted[14] + sorted[15]) / 2, 1e-9);
    EXPECT_EQ(class_sheet.Number(row, "最低分", "0.00"), sorted.front());
    EXPECT_EQ(class_sheet.Number(row, "最高分", "0.00"), sorted.back());
    EXPECT_NEAR(class_sheet.Number(row, "标准差（n−1）", "0.00"), sd, 1e-9);
    EXPECT_NEAR(class_sheet.Number(row, "偏度", "0.00"), skewness, 1e-9);
    EXPECT_NEAR(class_sheet.Number(row, "峰度", "0.00"), kurtosis, 1e-9);
    EXPECT_NEAR(class_sheet.Number(row, "信度 α", "0.000"), alpha, 1e-9);
    EXPECT_EQ(class_sheet.Cell(row, "信度公式")["value"], "Cronbach α");
    EXPECT_NEAR(class_sheet.Number(row, "测量标准误", "0.00"), sd * std::sqrt(1 - alpha), 1e-9);
    EXPECT_EQ(class_sheet.Number(row, "高低分组人数", "0"), 8);
  }

  // The 8 highest and 8 lowest totals; students tied at the cut share the
  // places left there.
  const std::vector<double> upper = TiedShares(totals, 8, true);
  const std::vector<double> lower = TiedShares(totals, 8, false);
  const std::vector<double> everyone(kStudents, 8.0 / kStudents);
  EXPECT_EQ(s["group"], 8);
  const auto group_mean = [](const std::vector<double>& weights, const auto& value) {
    double sum = 0;
    for (int i = 0; i < kStudents; ++i) sum += weights[static_cast<size_t>(i)] * value(i);
    return sum / 8;
  };
  const std::vector<std::string> items_csv = CsvLines(ReadFileForTest(folder + "items.csv"));
  std::map<int, std::vector<std::string>> item_rows;
  for (const std::string& line : items_csv) {
    const std::vector<std::string> f = Fields(line);
    if (f[0] == "测验") item_rows[std::stoi(f[1])] = f;
  }
  for (size_t q = 0; q < 3; ++q) {
    SCOPED_TRACE("question " + std::to_string(q + 1));
    const nlohmann::json& item = s["questions"][q];
    ASSERT_EQ(item["number"], q + 1);
    const double d = (group_mean(upper, scores[q]) - group_mean(lower, scores[q])) / fulls[q];
    std::vector<double> rest;
    double others = 0;
    for (int i = 0; i < kStudents; ++i) rest.push_back(Total(i) - scores[q](i));
    for (size_t o = 0; o < 3; ++o) others += o == q ? 0 : Variance(items[o]);
    const double without = 2 * (1 - others / Variance(rest));
    EXPECT_NEAR(item["upper_lower"].get<double>(), d, 1e-9);
    EXPECT_NEAR(item["alpha_if_deleted"].get<double>(), without, 1e-9);
    const std::vector<std::string>& row = item_rows[static_cast<int>(q) + 1];
    EXPECT_EQ(row[Column(items_csv[0], "高低分组区分度")], Fixed(d, 4));
    EXPECT_EQ(row[Column(items_csv[0], "删除后信度")], Fixed(without, 4));
    const size_t item_row = item_sheet.Row({{"科目", "测验"}, {"题号", q + 1}});
    double obtained = 0;
    for (int i = 0; i < kStudents; ++i) obtained += scores[q](i);
    EXPECT_NEAR(item_sheet.Number(item_row, "难度", "0.0%"), obtained / (fulls[q] * n), 1e-9);
    EXPECT_NEAR(item_sheet.Number(item_row, "区分度", "0.00"), Correlation(items[q], rest), 1e-9);
    EXPECT_NEAR(item_sheet.Number(item_row, "高低分组区分度", "0.00"), d, 1e-9);
    EXPECT_NEAR(item_sheet.Number(item_row, "删除后信度", "0.000"), without, 1e-9);
    EXPECT_EQ(item_sheet.Number(item_row, "满分", "General"), fulls[q]);
    if (q == 2) {
      EXPECT_TRUE(item["options"].empty());
      continue;
    }
    const auto choice = q == 0 ? Choice1 : Choice2;
    for (const nlohmann::json& option : item["options"]) {
      const std::string letter = option["letter"];
      SCOPED_TRACE(letter);
      const auto chose = [&](int i) { return choice(i) == letter ? 1.0 : 0.0; };
      std::vector<double> picked;
      for (int i = 0; i < kStudents; ++i) picked.push_back(chose(i));
      const double share = group_mean(everyone, chose);
      EXPECT_NEAR(option["share"].get<double>(), share, 1e-9);
      EXPECT_NEAR(option["upper"].get<double>(), group_mean(upper, chose), 1e-9);
      EXPECT_NEAR(option["lower"].get<double>(), group_mean(lower, chose), 1e-9);
      EXPECT_EQ(row[Column(items_csv[0], "选项" + letter)], Fixed(share, 4));
      EXPECT_NEAR(item_sheet.Number(item_row, "选项" + letter, "0.0%"), share, 1e-9);
      EXPECT_NEAR(item_sheet.Number(item_row, "选项" + letter + "高分组", "0.0%"),
                  group_mean(upper, chose), 1e-9);
      EXPECT_NEAR(item_sheet.Number(item_row, "选项" + letter + "低分组", "0.0%"),
                  group_mean(lower, chose), 1e-9);
      EXPECT_EQ(row[Column(items_csv[0], "选项" + letter + "高分组")],
                Fixed(group_mean(upper, chose), 4));
      if (share == 0) {
        EXPECT_TRUE(option["point_biserial"].is_null()) << "no one chose it: no correlation";
        EXPECT_EQ(row[Column(items_csv[0], "选项" + letter + "点二列相关")], "");
        EXPECT_TRUE(item_sheet.Cell(item_row, "选项" + letter + "点二列相关")["value"].is_null());
      } else {
        EXPECT_NEAR(option["point_biserial"].get<double>(), Correlation(picked, rest), 1e-9);
        EXPECT_EQ(row[Column(items_csv[0], "选项" + letter + "点二列相关")],
                  Fixed(Correlation(picked, rest), 4));
        EXPECT_NEAR(item_sheet.Number(item_row, "选项" + letter + "点二列相关", "0.00"),
                    Correlation(picked, rest), 1e-9);
      }
    }
  }

  // Ranks (ties share one), percentile ranks and verdict counts.
  const std::vector<std::string> summary = CsvLines(ReadFileForTest(folder + "summary.csv"));
  const std::vector<std::string> score_rows = CsvLines(ReadFileForTest(folder + "scores.csv"));
  ASSERT_EQ(score_rows.size(), summary.size());
  EXPECT_TRUE(
      score_rows[0].starts_with("\xEF\xBB\xBF学号,姓名,科目,测验 第1题,测验 第2题,测验 第3题,"));
  for (int i = 0; i < kStudents; ++i) {
    int above = 0, below = 0, tied = 0;
    for (double t : totals) {
      above += t > Total(i);
      below += t < Total(i);
      tied += t == Total(i);
    }
    const double percentile = 100 * (below + 0.5 * tied) / n;
    const nlohmann::json& student = s["students"][static_cast<size_t>(i)];
    EXPECT_EQ(student["rank"], above + 1);
    EXPECT_NEAR(student["percentile"].get<double>(), percentile, 1e-9);
    const int right = (i < 18) + (i < 10) + (i % 7 == 6);
    const int wrong = (i >= 18 && i < 28) + (i >= 10) + (i % 7 == 0);
    const int blank = i >= 28;
    const int partial = 3 - right - wrong - blank;
    const std::string name = "C" + std::to_string(100 + i) + ",学生" + std::to_string(i) + ",测验,";
    const std::vector<std::string> cells = Fields(summary[static_cast<size_t>(i) + kFirstRow]);
    const size_t rank = Column(summary[0], "名次");
    EXPECT_EQ(std::vector<std::string>(cells.begin() + rank, cells.begin() + rank + 6),
              (std::vector<std::string>{std::to_string(above + 1), Fixed(percentile, 2),
                                        std::to_string(right), std::to_string(partial),
                                        std::to_string(wrong), std::to_string(blank)}));
    // The subtotals of the two sections, as the page heads them; the other
    // subjects' sections are empty.
    EXPECT_EQ(cells[Column(summary[0], "测验 一、单选题")], Number(Score1(i) + Score2(i)));
    EXPECT_EQ(cells[Column(summary[0], "测验 二、写作")], Number(Score3(i)));
    EXPECT_EQ(cells.size(), Fields(summary[0]).size());
    EXPECT_EQ(cells.back(), "") << "a section of another subject";
    EXPECT_EQ(student["section_scores"], nlohmann::json::array({Score1(i) + Score2(i), Score3(i)}));
    EXPECT_TRUE(score_rows[static_cast<size_t>(i) + kFirstRow].starts_with(
        name + Number(Score1(i)) + "," + Number(Score2(i)) + "," + Number(Score3(i)) + ","))
        << score_rows[static_cast<size_t>(i) + kFirstRow];
    // The same row of the workbook, its number kept as text.
    const size_t row = static_cast<size_t>(i) + kFirstRow;
    const std::string id = "C" + std::to_string(100 + i);
    EXPECT_EQ(student_sheet.Cell(row, "学号")["value"], id);
    EXPECT_EQ(student_sheet.Cell(row, "科目")["value"], "测验");
    EXPECT_EQ(student_sheet.Number(row, "得分", "General"), Total(i));
    EXPECT_EQ(student_sheet.Number(row, "名次", "0"), above + 1);
    EXPECT_NEAR(student_sheet.Number(row, "百分位", "0.00"), percentile, 1e-9);
    EXPECT_EQ(student_sheet.Number(row, "答对", "0"), right);
    EXPECT_EQ(student_sheet.Number(row, "部分正确", "0"), partial);
    EXPECT_EQ(student_sheet.Number(row, "答错", "0"), wrong);
    EXPECT_EQ(student_sheet.Number(row, "未作答", "0"), blank);
    EXPECT_EQ(student_sheet.Number(row, "测验 一、单选题", "General"), Score1(i) + Score2(i));
    EXPECT_EQ(student_sheet.Number(row, "测验 二、写作", "General"), Score3(i));
    EXPECT_EQ(matrix_sheet.Cell(row, "学号")["value"], id);
    for (int q = 1; q <= 3; ++q) {
      EXPECT_EQ(matrix_sheet.Number(row, "测验 第" + std::to_string(q) + "题", "General"),
                scores[q - 1](i));
    }
    EXPECT_TRUE(matrix_sheet.Cell(row, "英语 第1题")["value"].is_null());
  }
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

  // A manifest `name` of students [first, last) of the class, each with its
  // class (column 班级) when `class_of` is given, packed with the test key.
  std::string ClassesManifest(const std::string& name, int first, int last,
                              std::string (*class_of)(int)) {
    std::ofstream csv(dir_.File(name), std::ios::binary);
    csv << "package_folder,zip_name,student_id,student_name,subject" << (class_of ? ",班级" : "")
        << "\n";
    for (int i = first; i < last; ++i) {
      const builder::PackageDescription d = StudentPaper(i);
      const std::string folder = "class/" + d.student_id;
      if (!fs::exists(dir_.File(folder))) {
        fs::create_directories(dir_.File(folder));
        builder::BuildAnswerPackage(d, *cipher_, dir_.File(folder + "/" + d.student_id + ".zip"));
      }
      csv << folder << "," << d.student_id << ".zip," << d.student_id << ",学生" << i << ",测验"
          << (class_of ? "," + class_of(i) : "") << "\n";
    }
    return dir_.File(name);
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
  ASSERT_TRUE(summary.starts_with(
      "\xEF\xBB\xBF学号,姓名,科目,得分,结果,页面,名次,百分位,答对,部分正确,答错,未作答,"
      "得分率,z 分数（标准差 n−1）,T 分数,测验 一、单选题,测验 二、写作,英语 一、单项选择"))
      << summary.substr(0, 400);
  const std::vector<std::string> rows = CsvLines(summary);
  ASSERT_EQ(rows.size(), kStudents + 3u);
  for (int i = 0; i < kStudents; ++i) {
    const std::string id = "C" + std::to_string(100 + i);
    EXPECT_TRUE(rows[static_cast<size_t>(i) + kFirstRow].starts_with(
        id + ",学生" + std::to_string(i) + ",测验," + Number(Total(i)) + ",完整," + id + ".html,"));
  }
  // The samples' scores are the sums of their obtained scores.
  // Each is alone in its subject.
  EXPECT_TRUE(rows[1].starts_with("2024010101,李明,英语,46,完整,english-2024010101.html,1,50.00,"));
  EXPECT_TRUE(
      rows[2].starts_with("2024020115,王芳,计算机应用基础,66.5,完整,cs2024020115.html,1,50.00,"));
  ExpectFiguresOfTheClass(dir_.File("pages/"));

  // The class figures in index.html, each subject in a section of its own,
  // in the order first met: the samples are not mixed into the class.
  std::vector<double> totals;
  for (int i = 0; i < kStudents; ++i) totals.push_back(Total(i));
  const double n = static_cast<double>(totals.size());
  const double mean = std::accumulate(totals.begin(), totals.end(), 0.0) / n;
  double squares = 0;
  for (double t : totals) squares += (t - mean) * (t - mean);
  std::vector<double> sorted = totals;
  std::sort(sorted.begin(), sorted.end());
  const double median = (sorted[14] + sorted[15]) / 2;
  const std::string index = ReadFileForTest(dir_.File("pages/index.html"));
  const size_t quiz = index.find("<h2 id='subject-1'>科目：测验</h2>");
  const size_t english = index.find("<h2 id='subject-2'>科目：英语</h2>");
  const size_t basics = index.find("<h2 id='subject-3'>科目：计算机应用基础</h2>");
  ASSERT_LT(quiz, english);
  ASSERT_LT(english, basics);
  ASSERT_NE(basics, std::string::npos);
  const std::string cell = "</td><td class='number'>";
  EXPECT_EQ(index.find("<td class='number'>30" + cell + Fixed(mean, 2) + cell + Fixed(median, 2) +
                       cell + Fixed(sorted.front(), 2) + cell + Fixed(sorted.back(), 2) + cell +
                       Fixed(std::sqrt(squares / (n - 1)), 2) + "</td>"),
            index.find("<td class='number'>30", quiz))
      << index.substr(quiz, 3000);
  EXPECT_LT(index.find("<td class='number'>1" + cell + "46.00" + cell + "46.00", english), basics);
  EXPECT_GT(index.find("<td class='number'>1" + cell + "66.50" + cell + "66.50"), basics);
  EXPECT_LT(index.find("aria-label='测验 分数分布：30 人，平均分 " + Fixed(mean, 2) + "'>", quiz),
            english);
  EXPECT_LT(index.find("<title>平均分 " + Fixed(mean, 2) + "</title>", quiz), english);
  // Offline: nothing fetched from elsewhere (a question's text may name a
  // web address, shown as text).
  EXPECT_FALSE(std::regex_search(index, std::regex("(src|href)=['\"]?https?:|url\\(['\"]?http")))
      << "the summary must work offline";
  for (const char* file : cli::kLinkedFiles) {
    EXPECT_EQ(index.find("<li><a href='./" + std::string(file) + "'>") != std::string::npos,
              fs::exists(dir_.File("pages/") + file))
        << file << ": linked when it is there, only then";
  }
  EXPECT_EQ(index.find("各班比较"), std::string::npos) << "no class named: no comparison";
  // The title made from the subjects; no class column, no class filter.
  EXPECT_NE(index.find("<h1>测验、英语、计算机应用基础 成绩汇总</h1>"), std::string::npos);
  EXPECT_EQ(index.find("<select id='class-filter'"), std::string::npos);
  EXPECT_EQ(index.find("<th>班级</th>"), std::string::npos);

  // items.csv: facility, option shares, share not answering, discrimination.
  const std::string items_csv = ReadFileForTest(dir_.File("pages/items.csv"));
  ASSERT_TRUE(
      items_csv.starts_with("\xEF\xBB\xBF科目,题号,题型,满分,人数,难度,区分度,"
                            "未作答比例,标准答案,题目,选项A,"));
  std::map<int, std::vector<std::string>> items;
  std::vector<double> facilities;
  for (const std::string& line : CsvLines(items_csv)) {
    const std::vector<std::string> f = Fields(line);
    if (f.size() > 5 && !f[5].empty() && f[5] != "难度") facilities.push_back(std::stod(f[5]));
    if (f[0] == "测验")
      items[std::stoi(f[1])] = std::vector<std::string>(f.begin(), f.begin() + 10);
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
  // unanswered, answer, the first line of the question's text (the option
  // shares are checked with the other figures)
  EXPECT_EQ(items[1],
            (std::vector<std::string>{"测验", "1", "单选题", "2", "30", Fixed(18 / 30.0, 4),
                                      rest(Score1), Fixed(2 / 30.0, 4), "C", "题目 1"}));
  EXPECT_EQ(items[2],
            (std::vector<std::string>{"测验", "2", "单选题", "2", "30", Fixed(10 / 30.0, 4),
                                      rest(Score2), "0.0000", "A", "题目 2"}));
  double essay = 0;
  for (int i = 0; i < kStudents; ++i) essay += Score3(i);
  EXPECT_EQ(items[3], (std::vector<std::string>{"测验", "3", "论述题", "6", "30",
                                                Fixed(essay / (6 * 30.0), 4), rest(Score3),
                                                "0.0000", "", "题目 3"}));

  // The worst distractor of question 2 is D, chosen by two thirds: marked
  // by a symbol beside its colour, as the key is.
  EXPECT_NE(index.find("<span class='option worst'>D <span role='img' aria-label='最多人误选'>✘"
                       "</span> 66.7%（20 人）</span>"),
            std::string::npos);
  EXPECT_NE(index.find("<span class='option correct'>A <span role='img' aria-label='正确选项'>✔"
                       "</span> 33.3%（10 人）</span>"),
            std::string::npos);
  // Each question of the class a point of its subject's plot, at its
  // facility and discrimination as items.csv gives them.
  const nlohmann::json questions = nlohmann::json::parse(
      ReadFileForTest(dir_.File("pages/summary.json")))["subjects"][0]["questions"];
  ASSERT_EQ(questions.size(), 3u);
  for (const nlohmann::json& q : questions) {
    const std::string shape = q["flags"].empty() ? "item" : "item flagged";
    EXPECT_LT(index.find("<g class='" + shape + "' role='img' aria-label='第" + q["number"].dump() +
                             "题：难度 " + Fixed(q["facility"].get<double>() * 100, 1) +
                             "%，区分度 " + Fixed(q["item_rest"].get<double>(), 2),
                         quiz),
              english)
        << q;
  }

  // The summary command rebuilds the same figures from the results files,
  // and index.html links the summary files that are beside it.
  fs::remove(dir_.File("pages/items.csv"));
  fs::remove(dir_.File("pages/summary.json"));
  if (!fs::exists(dir_.File("pages/summary.xlsx"))) {
    WriteFileForTest(dir_.File("pages/summary.xlsx"), "a workbook from an earlier run");
  }
  WriteFileForTest(dir_.File("pages/class.pdf"), "a class PDF from an earlier run");
  const CliResult rebuilt = Cli({"summary", "pages"});
  ASSERT_EQ(rebuilt.exit_code, 0) << rebuilt.err;
  ExpectFiguresOfTheClass(dir_.File("pages/"));
  EXPECT_EQ(CsvLines(ReadFileForTest(dir_.File("pages/items.csv"))).size(),
            items.size() + 1 + 18 + 20);
  const std::string relinked = ReadFileForTest(dir_.File("pages/index.html"));
  for (const char* file : cli::kLinkedFiles) {
    EXPECT_NE(relinked.find("<li><a href='./" + std::string(file) + "'>" + file + "</a>"),
              std::string::npos)
        << file;
  }
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

// Two classes of one subject: students 8..14 in 一班, 15..21 in 二班.
std::string ClassOf(int i) { return i < 15 ? "一班" : "二班"; }

// The figures of each class are those of its students alone, worked out
// here; the same classes run apart and merged by `summary A B --out M` give
// the figures of the one batch over both; a student in two of the merged
// folders is refused, naming both files.
TEST_F(ClassSummaryTest, FiguresPerClassAndFoldersMerged) {
  const std::vector<std::string> key = {"GENERATESHEET_KEY_FILE=" + key_file_};
  CliResult r = Cli({"batch", ClassesManifest("year.csv", 8, 22, ClassOf), "--out", "year"}, key);
  ASSERT_EQ(r.exit_code, 0) << r.err;

  const nlohmann::json year =
      nlohmann::json::parse(ReadFileForTest(dir_.File("year/summary.json")));
  const nlohmann::json& subject = year["subjects"][0];
  ASSERT_EQ(subject["classes"].size(), 2u);
  const std::string items_csv = ReadFileForTest(dir_.File("year/items.csv"));
  const std::vector<std::string> items = CsvLines(items_csv);
  std::map<int, std::vector<std::string>> item_rows;
  for (size_t line = 1; line < items.size(); ++line) {
    item_rows[std::stoi(Fields(items[line])[1])] = Fields(items[line]);
  }
  const std::string index = ReadFileForTest(dir_.File("year/index.html"));
  EXPECT_NE(index.find("<h2>各班比较</h2>"), std::string::npos);
  // The students by class: a filter of the two classes (shown by the
  // script), each row marked with its class; the facility of the three
  // questions in one table of its own.
  EXPECT_NE(index.find("<p class='filter' hidden><label>只看班级 <select id='class-filter'><option "
                       "value='' selected>全部</option><option value='一班'>一班</option><option "
                       "value='二班'>二班</option></select>"),
            std::string::npos);
  size_t first_class = 0, second_class = 0;
  for (size_t at = index.find("<tr data-class='"); at != std::string::npos;
       at = index.find("<tr data-class='", at + 1)) {
    const std::string first = "<tr data-class='一班'>";
    ++(index.compare(at, first.size(), first) == 0 ? first_class : second_class);
  }
  EXPECT_EQ(first_class, 7u);
  EXPECT_EQ(second_class, 7u);
  EXPECT_NE(index.find("<th>学号</th><th>姓名</th><th>班级</th><th>科目</th><th "
                       "data-type='number'>得分</th>"),
            std::string::npos);
  EXPECT_NE(index.find("<caption>各题难度（第1–3题）</caption><thead><tr><th>班级</th><th>第1题难度"
                       "</th><th>第2题难度</th><th>第3题难度</th></tr>"),
            std::string::npos);
  // The workbook: 班级 beside the names as in the CSV files, and in the
  // 班级 sheet a row of each class after the whole year's.
  const nlohmann::json book = ReadWorkbook(dir_.File("year/summary.xlsx"));
  const std::pair<const char*, const char*> csv_of[] = {{"学生", "summary.csv"},
                                                        {"得分矩阵", "scores.csv"}};
  for (const auto& [name, csv] : csv_of) {
    std::string header = Lines(ReadFileForTest(dir_.File(std::string("year/") + csv)))[0];
    EXPECT_EQ(Sheet(book, name).Header(), Fields(header.substr(3, header.size() - 4))) << name;
  }
  EXPECT_EQ(Sheet(book, "学生").Cell(1, "班级")["value"], "一班");
  const Sheet class_sheet(book, "班级");
  ASSERT_EQ(class_sheet.rows(), 4u);
  EXPECT_EQ(class_sheet.Cell(1, "范围")["value"], "全体");
  EXPECT_EQ(class_sheet.Number(1, "人数", "0"), 14);
  double (*const scores[])(int) = {Score1, Score2, Score3};
  const double fulls[] = {2, 2, 6};
  for (int c = 0; c < 2; ++c) {
    const int first = c == 0 ? 8 : 15;
    const nlohmann::json& figures = subject["classes"][static_cast<size_t>(c)];
    SCOPED_TRACE(ClassOf(first));
    EXPECT_EQ(figures["class"], ClassOf(first));
    std::vector<double> totals;
    std::vector<std::vector<double>> by_question(3);
    for (int i = first; i < first + 7; ++i) {
      totals.push_back(Total(i));
      for (size_t q = 0; q < 3; ++q) by_question[q].push_back(scores[q](i));
    }
    const double n = 7;
    const double mean = std::accumulate(totals.begin(), totals.end(), 0.0) / n;
    std::vector<double> sorted = totals;
    std::sort(sorted.begin(), sorted.end());
    const double alpha =
        1.5 *
        (1 - (Variance(by_question[0]) + Variance(by_question[1]) + Variance(by_question[2])) /
                 Variance(totals));
    EXPECT_EQ(figures["count"], 7);
    EXPECT_NEAR(figures["mean"].get<double>(), mean, 1e-9);
    EXPECT_NEAR(figures["median"].get<double>(), sorted[3], 1e-9);
    EXPECT_NEAR(figures["sd"].get<double>(), std::sqrt(Variance(totals)), 1e-9);
    EXPECT_NEAR(figures["alpha"].get<double>(), alpha, 1e-9);
    const size_t row = class_sheet.Row({{"范围", ClassOf(first)}, {"科目", "测验"}});
    EXPECT_EQ(row, static_cast<size_t>(c) + 2);
    EXPECT_EQ(class_sheet.Number(row, "人数", "0"), 7);
    EXPECT_EQ(class_sheet.Number(row, "完整作答人数", "0"), 7);
    EXPECT_NEAR(class_sheet.Number(row, "平均分", "0.00"), mean, 1e-9);
    EXPECT_NEAR(class_sheet.Number(row, "中位数", "0.00"), sorted[3], 1e-9);
    EXPECT_NEAR(class_sheet.Number(row, "最低分", "0.00"), sorted[0], 1e-9);
    EXPECT_NEAR(class_sheet.Number(row, "最高分", "0.00"), sorted[6], 1e-9);
    EXPECT_NEAR(class_sheet.Number(row, "标准差（n−1）", "0.00"), std::sqrt(Variance(totals)),
                1e-9);
    EXPECT_NEAR(class_sheet.Number(row, "信度 α", "0.000"), alpha, 1e-9);
    for (const char* column : {"标准差（总体，除以 n）", "峰度", "高低分组人数"}) {
      EXPECT_TRUE(class_sheet.Cell(row, column)["value"].is_null()) << column;
    }
    EXPECT_NE(index.find("<tr><td>" + ClassOf(first) + "</td><td class='number'>7</td>" +
                         "<td class='number'>" + Fixed(mean, 2) + "</td><td class='number'>" +
                         Fixed(sorted[3], 2) + "</td><td class='number'>" +
                         Fixed(std::sqrt(Variance(totals)), 2) + "</td><td class='number'>" +
                         Fixed(alpha, 3) + "</td>"),
              std::string::npos);
    for (size_t q = 0; q < 3; ++q) {
      const double facility =
          std::accumulate(by_question[q].begin(), by_question[q].end(), 0.0) / (fulls[q] * n);
      EXPECT_EQ(figures["questions"][q]["number"], q + 1);
      EXPECT_NEAR(figures["questions"][q]["facility"].get<double>(), facility, 1e-9);
      EXPECT_EQ(
          item_rows[static_cast<int>(q) + 1][Column(items[0], "难度（" + ClassOf(first) + "）")],
          Fixed(facility, 4));
    }
  }
  // The class beside each student, in the record, summary.csv and scores.csv.
  EXPECT_EQ(nlohmann::json::parse(ReadFileForTest(dir_.File("year/C115.results.json")))["class"],
            "二班");
  EXPECT_EQ(subject["students"][0]["class"], "一班");
  const std::vector<std::string> summary = CsvLines(ReadFileForTest(dir_.File("year/summary.csv")));
  EXPECT_TRUE(summary[0].starts_with("\xEF\xBB\xBF学号,姓名,班级,科目,得分,")) << summary[0];
  EXPECT_TRUE(
      summary[1].starts_with("C108,学生8,一班,测验," + Number(Total(8)) + ",完整,C108.html,"))
      << summary[1];
  const std::string scores_csv = ReadFileForTest(dir_.File("year/scores.csv"));
  EXPECT_NE(scores_csv.find("\r\nC121,学生21,二班,测验,0,0,0\r\n"), std::string::npos)
      << scores_csv;

  // The two classes run apart, then merged: the figures of the one batch.
  r = Cli({"batch", ClassesManifest("a.csv", 8, 15, ClassOf), "--out", "a"}, key);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  r = Cli({"batch", ClassesManifest("b.csv", 15, 22, ClassOf), "--out", "b"}, key);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  r = Cli({"summary", "a", "b"});
  EXPECT_EQ(r.exit_code, 2) << "several folders: where to write must be said";
  r = Cli({"summary", "a", "b", "--out", "merged"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  for (const char* file : {"summary.json", "scores.csv", "items.csv", "summary.csv"}) {
    SCOPED_TRACE(file);
    std::string merged = ReadFileForTest(dir_.File(std::string("merged/") + file));
    if (file == std::string("summary.csv")) {
      // The same rows, the pages linked where they are.
      for (int i = 8; i < 22; ++i) {
        const std::string page = "C" + std::to_string(100 + i) + ".html";
        const std::string from = std::string(i < 15 ? "../a/" : "../b/") + page;
        ASSERT_NE(merged.find("," + from + ","), std::string::npos) << merged;
        merged.replace(merged.find("," + from + ","), from.size() + 2, "," + page + ",");
      }
    }
    EXPECT_EQ(merged, ReadFileForTest(dir_.File(std::string("year/") + file)));
  }
  EXPECT_NE(ReadFileForTest(dir_.File("merged/index.html")).find("<a href='./../b/C121.html'>"),
            std::string::npos);

  // A student in two folders would be counted twice: refused, nothing written.
  fs::create_directories(dir_.File("again"));
  fs::copy_file(dir_.File("a/C110.results.json"), dir_.File("again/x.results.json"));
  r = Cli({"summary", "a", "again", "b", "--out", "twice"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("同一学生（学号 C110，科目 测验）在两个文件夹中都有结果文件："
                       "a/C110.results.json 与 again/x.results.json"),
            std::string::npos)
      << r.err;
  EXPECT_FALSE(fs::exists(dir_.File("twice/summary.json")));
  r = Cli({"summary", "a", "./a/", "--out", "twice"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("同一文件夹给出了两次：a 与 ./a/"), std::string::npos) << r.err;
}

TEST_F(ClassSummaryTest, SummaryOfAFolderWithoutResultsFails) {
  fs::create_directories(dir_.File("empty"));
  const CliResult r = Cli({"summary", "empty"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("文件夹中没有学生结果文件"), std::string::npos) << r.err;
}

// Every summary file is written and listed in the archive manifest.  One
// that cannot be written fails the command, naming the file: a folder in
// the way of each in turn, and a workbook whose writes the system refuses
// beyond 4 KB (as on a full disk): the workbook there before is removed, as
// it would pass for the new summary's, and no temporary file is left
// behind.
TEST_F(ClassSummaryTest, SummaryFilesThatCannotBeWrittenAreNamed) {
  fs::create_directories(dir_.File("pages"));
  WriteFileForTest(dir_.File("pages/1001.results.json"), RecordText("1001"));
  ASSERT_EQ(Cli({"summary", "pages"}).exit_code, 0);
  // Each summary file is in the archive manifest as one.
  const nlohmann::json manifest =
      nlohmann::json::parse(ReadFileForTest(dir_.File("pages/MANIFEST.json")));
  std::map<std::string, std::string> kinds;
  for (const nlohmann::json& file : manifest["files"]) kinds[file["path"]] = file["kind"];
  for (const char* name : cli::kSummaryFiles) EXPECT_EQ(kinds[name], "summary") << name;
  std::set<std::string> files;
  for (const auto& entry : fs::directory_iterator(dir_.File("pages"))) {
    files.insert(entry.path().filename().string());
  }
  for (const char* name : cli::kSummaryFiles) {
    SCOPED_TRACE(name);
    const std::string path = dir_.File(std::string("pages/") + name);
    fs::rename(path, path + ".kept");
    fs::create_directories(path + "/in-the-way");
    for (const char* other : cli::kSummaryFiles) {
      if (other != std::string(name))
        WriteFileForTest(dir_.File(std::string("pages/") + other), "old");
    }
    const CliResult r = Cli({"summary", "pages"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find(std::string("pages/") + name), std::string::npos) << r.err;
    // The rest are written all the same: none is left from before.
    for (const char* other : cli::kSummaryFiles) {
      if (other == std::string(name)) continue;
      EXPECT_NE(ReadFileForTest(dir_.File(std::string("pages/") + other)), "old") << other;
    }
    fs::remove_all(path);
    fs::rename(path + ".kept", path);
  }

  const std::string workbook = ReadFileForTest(dir_.File("pages/summary.xlsx"));
  ASSERT_GT(workbook.size(), 4096u) << "the limit must fall inside the workbook";
  const std::string command = "cd " + ShellQuote(dir_.path()) +
                              " && sh -c 'trap \"\" XFSZ; exec prlimit --fsize=4096 -- \"$0\" "
                              "summary pages' " +
                              ShellQuote(CliPath()) + " 2>" + ShellQuote(dir_.File("err"));
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const std::string err = ReadFileForTest(dir_.File("err"));
  EXPECT_NE(err.find("无法写出工作簿：pages/summary.xlsx（"), std::string::npos) << err;
  EXPECT_FALSE(fs::exists(dir_.File("pages/summary.xlsx")));
  std::set<std::string> after;
  for (const auto& entry : fs::directory_iterator(dir_.File("pages"))) {
    after.insert(entry.path().filename().string());
  }
  // index.html, too long for the limit as well, goes with the workbook: an
  // earlier one would link a workbook no longer there.
  files.erase("summary.xlsx");
  files.erase("index.html");
  EXPECT_EQ(after, files);
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
  ASSERT_EQ(rows.size(), 11u);
  // Marked partial before the header: the unreadable ones are not counted.
  EXPECT_EQ(rows[0],
            "\xEF\xBB\xBF部分汇总：仅汇总 1 / 9 名考生：7 名页面未写出，1 名得分未能全部读出");
  // Rank and percentile among the known totals only; the verdict counts.
  // By student number: the unreadable ones (number unknown) first.
  EXPECT_EQ(rows[9], "1001,学生1001,英语,2,完整,1001.html,1,50.00,0,1,0,0,0.5000,,");
  EXPECT_EQ(rows[10], "7,学生7,英语,,完整,7.html,,,0,2,0,0,,,");
  EXPECT_EQ(rows[2], ",,,,未写出,,,,,,,,,,");  // big: no page beside it
  EXPECT_EQ(ReadFileForTest(dir_.File("pages/summary.csv")).find("9999"), std::string::npos);
}

// A class larger than the records read at once: every student is summed
// once, and the unreadable ones are told in file-name order, whichever
// thread read them.
TEST_F(ClassSummaryTest, ALargeClassIsReadWholeAndInOrder) {
  fs::create_directories(dir_.File("pages"));
  constexpr int kClass = 600;
  for (int i = 0; i < kClass; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "pages/r%03d.results.json", i);
    WriteFileForTest(dir_.File(name),
                     i == 5 || i == 300 || i == 511 ? "{" : RecordText(std::to_string(1000 + i)));
  }
  const CliResult r = Cli({"summary", "pages"});
  EXPECT_EQ(r.exit_code, 3) << r.err;
  EXPECT_NE(r.err.find("汇总了 600 名学生，其中 3 个结果文件无法读取（未计入成绩）"),
            std::string::npos)
      << r.err;
  const size_t first = r.err.find("pages/r005.results.json");
  const size_t second = r.err.find("pages/r300.results.json");
  const size_t third = r.err.find("pages/r511.results.json");
  ASSERT_NE(third, std::string::npos) << r.err;
  EXPECT_LT(first, second);
  EXPECT_LT(second, third);
  const std::vector<std::string> rows = CsvLines(ReadFileForTest(dir_.File("pages/summary.csv")));
  // The line marking it partial (three are unreadable), the header, a row each.
  ASSERT_EQ(rows.size(), static_cast<size_t>(kClass + 2));
  EXPECT_TRUE(rows[0].starts_with("\xEF\xBB\xBF部分汇总：")) << rows[0];
  EXPECT_EQ(rows.back().substr(0, 5), "1599,");
  // Each readable student once.
  const std::set<std::string> distinct(rows.begin() + 5, rows.end());
  EXPECT_EQ(distinct.size(), static_cast<size_t>(kClass - 3));
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
  const std::string not_written = cli::SummaryOf({record}).Html();
  const size_t students = not_written.find("<table id='students'");
  EXPECT_GT(not_written.find("<a href", students), not_written.find("</table>", students));
  EXPECT_NE(cli::SummaryOf({record}).Html().find(
                "未写出<div class='cause'>答卷包不是 zip 文件：&lt;img src=x&gt;.zip</div></td>"),
            std::string::npos);
  EXPECT_NE(cli::SummaryOf({record}).StudentsCsv().find(
                "\"O'Neil & \"\"Co\"\"\",英语,,未写出,,,,,,,,,,\r\n"),
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
    const cli::ClassSummary summary = cli::SummaryOf({record});
    // Below the line marking the summary partial (the student is not
    // counted) and the header.
    EXPECT_EQ(CsvLines(summary.StudentsCsv())[2], "1," + cell + "," + cell + ",,未写出,,,,,,,,,,");
    EXPECT_EQ(CsvLines(summary.ScoresCsv())[2], "1," + cell + "," + cell);
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
  std::vector<std::string> not_in_html = {};          // pieces it must not hold
};

// A result as the library gives it: the verdict drawn from the answer and
// the marks.
QuestionResult Essay(int number, const char* answer, const char* obtained, const char* full) {
  QuestionResult r;
  r.number = number;
  r.family = QuestionFamily::kEssay;
  r.student_answered = answer != nullptr;
  r.student_answer = answer ? answer : "";
  r.obtained = obtained;
  r.full = full;
  const double got = std::stod(obtained), out_of = std::stod(full);
  r.verdict = !r.student_answered ? Verdict::kUnanswered
              : out_of <= 0       ? Verdict::kUnknown
              : got == out_of     ? Verdict::kCorrect
              : got == 0          ? Verdict::kWrong
                                  : Verdict::kPartial;
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

// Records of the "测验" paper, one per student.
std::vector<cli::StudentRecord> Students(const std::vector<std::vector<QuestionResult>>& papers) {
  std::vector<cli::StudentRecord> records;
  for (const std::vector<QuestionResult>& results : papers) {
    cli::StudentRecord record;
    record.student_id = std::to_string(records.size() + 1);
    record.subject = "测验";
    record.state = Outcome::kComplete;
    record.page = record.student_id + ".html";
    record.results = results;
    records.push_back(record);
  }
  return records;
}

// A question's text is the smallest the records give whatever their order;
// a record of an earlier version gives none; texts that differ are flagged.
TEST(ClassFiguresTest, TheQuestionsTextAndTextsThatDiffer) {
  const struct {
    std::vector<std::string> texts;  // per student; "" none
    std::string shown;
    bool differ;
  } cases[] = {
      {{"", "", ""}, "", false},
      {{"a<b", "", "a<b"}, "a<b", false},
      {{"甲题", "乙题", ""}, "乙题", true},
      {{"乙题", "甲题", "乙题"}, "乙题", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown);
    std::vector<cli::StudentRecord> records =
        Students({{Choice(1, "C", "2")}, {Choice(1, "A", "0")}, {Choice(1, "B", "0")}});
    for (size_t i = 0; i < records.size(); ++i) records[i].texts = {c.texts[i]};
    const cli::ClassSummary summary = cli::SummaryOf(records);
    const nlohmann::json q = nlohmann::json::parse(summary.Json())["subjects"][0]["questions"][0];
    EXPECT_EQ(q["text"], c.shown);
    const nlohmann::json& flags = q["flags"];
    EXPECT_EQ(std::find(flags.begin(), flags.end(), cli::kFlagTextsDiffer) != flags.end(),
              c.differ);
    const std::vector<std::string> header = Fields(CsvLines(summary.ItemsCsv())[0]);
    const std::vector<std::string> row = Fields(CsvLines(summary.ItemsCsv())[1]);
    const size_t at = std::find(header.begin(), header.end(), "题目") - header.begin();
    ASSERT_LT(at, row.size());
    EXPECT_EQ(row[at], c.shown);
    const std::string escaped = c.shown == "a<b" ? "a&lt;b" : c.shown;
    EXPECT_NE(summary.Html().find("<td class='question-text'>" + escaped + "</td>"),
              std::string::npos);
    // The flags in index.html's 提示 column, one after another.
    std::string joined;
    for (const auto& flag : flags) joined += (joined.empty() ? "" : "；") + flag.get<std::string>();
    EXPECT_NE(summary.Html().find("<td class='flags'>" + joined + "</td>"), std::string::npos)
        << joined;
  }
}

// A question only one student answered: alone in the class, nothing that
// needs two (spread, correlation, groups, alpha, "all the same"); among
// students who left it blank, the blanks a response of their own.
TEST(ClassFiguresTest, AQuestionWithExactlyOneAnswer) {
  const nlohmann::json alone = nlohmann::json::parse(
      cli::SummaryOf(Students({{Choice(1, "C", "2")}})).Json())["subjects"][0];
  const nlohmann::json& q = alone["questions"][0];
  EXPECT_EQ(q["students"], 1);
  EXPECT_EQ(q["facility"], 1.0);
  EXPECT_EQ(q["mean"], 2.0);
  for (const char* undefined : {"sd", "item_rest", "upper_lower", "alpha_if_deleted"}) {
    EXPECT_TRUE(q[undefined].is_null()) << undefined;
  }
  EXPECT_TRUE(alone["alpha"].is_null());
  EXPECT_EQ(q["flags"], nlohmann::json::parse(R"(["得分率高于 90%：过易",
      "干扰项几乎无人选择（低于 5%）"])"));

  const nlohmann::json among = nlohmann::json::parse(
      cli::SummaryOf(
          Students({{Choice(1, nullptr, "0")}, {Choice(1, "B", "0")}, {Choice(1, nullptr, "0")}}))
          .Json())["subjects"][0]["questions"][0];
  EXPECT_EQ(among["answers"], 3);
  EXPECT_EQ(among["answered"], 1);
  EXPECT_NEAR(among["unanswered"].get<double>(), 2 / 3.0, 1e-12);
  EXPECT_EQ(among["blank"]["count"], 2);
  EXPECT_NEAR(among["blank"]["share"].get<double>(), 2 / 3.0, 1e-12);
  EXPECT_EQ(among["options"][1]["letter"], "B");
  EXPECT_EQ(among["options"][1]["count"], 1);
  EXPECT_EQ(among["options"][1]["chosen_by"][0]["student_id"], "2");
  const nlohmann::json& flags = among["flags"];
  EXPECT_EQ(std::find(flags.begin(), flags.end(), cli::kFlagNobody), flags.end());
  EXPECT_NE(std::find(flags.begin(), flags.end(), cli::kFlagAllSame), flags.end());
}

// Each student's standing as a report card takes it: share, z and T
// against the year's n − 1 spread, rank in the class and in the year,
// percentile.
TEST(ClassFiguresTest, StandingsOfTheStudents) {
  std::vector<cli::StudentRecord> records =
      Students({{Choice(1, "C", "2")}, {Choice(1, "A", "0")}, {Choice(1, "B", "0")}});
  records[0].class_name = records[1].class_name = "一班";
  records[2].class_name = "二班";
  cli::SubjectFiguresBuilder year;
  cli::ClassFiguresBuilder classes;
  for (size_t i = 0; i < records.size(); ++i) {
    year.Add(i, records[i]);
    classes.Add(i, records[i]);
  }
  const std::vector<size_t> rows = {0, 1, 2};
  std::vector<cli::SubjectFigures> figures = year.Figures(rows);
  const std::vector<cli::SubjectClasses> by_class = classes.Figures(rows);
  cli::RankWithinClasses(figures, by_class);
  ASSERT_EQ(figures.size(), 1u);
  ASSERT_EQ(figures[0].students.size(), 3u);
  // Totals 2, 0, 0: mean 2/3, n − 1 spread √(4/3).
  const double sd = std::sqrt(4 / 3.0);
  const struct {
    double total, share, z, percentile;
    size_t class_rank, class_count, year_rank;
  } expected[] = {{2, 1, (2 - 2 / 3.0) / sd, 100 * 2.5 / 3, 1, 2, 1},
                  {0, 0, (0 - 2 / 3.0) / sd, 100 * 1.0 / 3, 2, 2, 2},
                  {0, 0, (0 - 2 / 3.0) / sd, 100 * 1.0 / 3, 1, 1, 2}};
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const cli::StudentStanding s = cli::StandingOf(figures[0], figures[0].students[i]);
    EXPECT_EQ(s.subject, "测验");
    EXPECT_EQ(s.total, expected[i].total);
    EXPECT_EQ(s.full, 2);
    EXPECT_NEAR(s.share.value(), expected[i].share, 1e-12);
    EXPECT_NEAR(s.z.value(), expected[i].z, 1e-12);
    EXPECT_NEAR(s.t.value(), 50 + 10 * expected[i].z, 1e-9);
    EXPECT_NEAR(s.percentile.value(), expected[i].percentile, 1e-9);
    EXPECT_EQ(s.class_rank, expected[i].class_rank);
    EXPECT_EQ(s.class_count, expected[i].class_count);
    EXPECT_EQ(s.year_rank, expected[i].year_rank);
    EXPECT_EQ(s.year_count, 3u);
  }
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
        bins + "80–90 分：0 人</title>", bins + "90–100 分：2 人</title>",
        "class='range'>50–60</text>", "' y='176.0' text-anchor='middle'>分数</text>"},
       ""},
      {"of two wrong options chosen as often, the one listed first is marked",
       {{Choice(1, "B", "0")}, {Choice(1, "A", "0")}, {Choice(1, "C", "2")}},
       {"<span class='option worst'>A <span role='img' aria-label='最多人误选'>✘</span> "
        "33.3%（1 人）</span><span class='option'>B 33.3%（1 人）</span><span class='option "
        "correct'>C <span role='img' aria-label='正确选项'>✔</span> 33.3%（1 人）</span>"},
       "测验,1,单选题,2,3,0.3333,,0.0000,C,,0.3333,0.3333,0.3333,0.0000,"},
      // The bars span x = 10…410 for 0…the full marks: 40 of 100 is at 170.
      {"a line marks the mean of the totals, labelled",
       {{Essay(1, "a", "20", "100")}, {Essay(1, "b", "30", "100")}, {Essay(1, "c", "70", "100")}},
       {"<g class='mean'><title>平均分 40.00</title><line x1='170.0' y1='-2.0' x2='170.0' "
        "y2='140.0' class='mean'/><text x='173.0' y='-4.0' text-anchor='start'>平均分 40.00"
        "</text></g>"},
       ""},
      {"one student: one bar, the mean on it, no plot without a discrimination",
       {{Essay(1, "a", "7", "10"), Essay(2, "b", "2", "10")}},
       {bins + "0–2 分：0 人</title>", bins + "8–10 分：1 人</title>",
        "<title>平均分 9.00</title><line x1='190.0'",
        "<p class='scatter'>测验：没有可画出的试题，无难度–区分度图。</p><p class='note'>"
        "未画出：第1、2题（区分度无法计算）。"},
       "",
       {"<svg class='scatter'", "<figure"}},
      {"one question: its discrimination is undefined (no rest of the paper)",
       {{Essay(1, "a", "2", "4")}, {Essay(1, "b", "4", "4")}, {Essay(1, "c", "0", "4")}},
       {"<p class='note'>未画出：第1题（区分度无法计算）。"},
       "",
       {"<svg class='scatter'"}},
      // The plot spans x = 44…404 for 难度 0…100% and y = 16…256 for
      // 区分度 1…−1.  Questions 1 and 2 rise with each other (区分度 1);
      // question 3 falls as they rise (−1): flagged, a triangle with ⚠.
      {"each question a point at its facility and discrimination, flagged ones marked",
       {{Essay(1, "a", "0", "10"), Essay(2, "a", "0", "10"), Essay(3, "a", "4", "10")},
        {Essay(1, "a", "5", "10"), Essay(2, "a", "5", "10"), Essay(3, "a", "2", "10")},
        {Essay(1, "a", "10", "10"), Essay(2, "a", "10", "10"), Essay(3, "a", "0", "10")}},
       {"<g class='item' role='img' aria-label='第1题：难度 50.0%，区分度 1.00'><title>"
        "第1题：难度 50.0%，区分度 1.00</title><circle cx='224.0' cy='16.0' r='4.5'/>"
        "<text x='231.0' y='20.0' text-anchor='start'>1</text></g>",
        // Question 2 lies on question 1: its number goes to the other side.
        "aria-label='第2题：难度 50.0%，区分度 1.00'><title>第2题：难度 50.0%，区分度 1.00</title>"
        "<circle cx='224.0' cy='16.0' r='4.5'/><text x='217.0' y='20.0' text-anchor='end'>2"
        "</text></g>",
        // Its deletion raises alpha too: both reasons are read out.
        "<g class='item flagged' role='img' aria-label='第3题：难度 20.0%，区分度 -1.00；需要复核："
        "区分度为负：答得好的学生反而更常答错，请核对标准答案；删除本题后信度提高'>",
        "<path d='M116.0 250.0L121.5 260.0L110.5 260.0Z'/><text x='123.0' y='260.0' "
        "text-anchor='start'>3⚠</text></g>",
        "<line x1='116.0' y1='16.0' x2='116.0' y2='256.0' class='threshold'/>",
        "<line x1='368.0' y1='16.0' x2='368.0' y2='256.0' class='threshold'/>",
        "<line x1='44.0' y1='112.0' x2='404.0' y2='112.0' class='threshold'/>"},
       "",
       {"未画出"}},
      // Six questions on one spot: four numbers fit around it (right, left,
      // above, below); the other two are listed, never written over them.
      {"numbers that find no free place are listed under the plot",
       {{Essay(1, "a", "0", "10"), Essay(2, "a", "0", "10"), Essay(3, "a", "0", "10"),
         Essay(4, "a", "0", "10"), Essay(5, "a", "0", "10"), Essay(6, "a", "0", "10")},
        {Essay(1, "a", "10", "10"), Essay(2, "a", "10", "10"), Essay(3, "a", "10", "10"),
         Essay(4, "a", "10", "10"), Essay(5, "a", "10", "10"), Essay(6, "a", "10", "10")}},
       {"<text x='224.0' y='6.0' text-anchor='middle'>3</text></g>",
        "<text x='224.0' y='35.0' text-anchor='middle'>4</text></g>",
        "<circle cx='224.0' cy='16.0' r='4.5'/></g>",
        "<p class='note unlabelled'>图中未注题号的点（周围已无空处）：第5题（难度 50.0%，区分度 "
        "1.00）；第6题（难度 50.0%，区分度 1.00）。</p>"},
       "",
       {">5</text>", ">6</text>"}},
  };
  for (const ClassCase& c : cases) {
    SCOPED_TRACE(c.name);
    const cli::ClassSummary summary = cli::SummaryOf(Students(c.students));
    const std::string html = summary.Html();
    for (const std::string& piece : c.in_html) {
      EXPECT_NE(html.find(piece), std::string::npos) << piece;
    }
    for (const std::string& piece : c.not_in_html) {
      EXPECT_EQ(html.find(piece), std::string::npos) << piece;
    }
    EXPECT_EQ(html.find("nan"), std::string::npos);
    if (!c.items_row.empty()) {
      EXPECT_TRUE(CsvLines(summary.ItemsCsv())[1].starts_with(c.items_row))
          << CsvLines(summary.ItemsCsv())[1];
    }
  }
}

TEST(ClassFiguresTest, UndefinedFiguresAreNullAndFlagsFollowTheirRules) {
  // Every total the same: no spread, so no n − 1 SD, skewness, alpha, SEM.
  const auto same = [](const char* a, const char* b) {
    return std::vector<QuestionResult>{Essay(1, "a", a, "4"), Essay(2, "b", b, "4")};
  };
  const cli::ClassSummary flat =
      cli::SummaryOf(Students({same("2", "1"), same("1", "2"), same("3", "0")}));
  const nlohmann::json f = nlohmann::json::parse(flat.Json())["subjects"][0];
  EXPECT_EQ(f["population_sd"], 0.0);
  for (const char* key : {"sd", "skewness", "kurtosis", "alpha", "sem"}) {
    EXPECT_TRUE(f[key].is_null()) << key;
  }
  EXPECT_EQ(f["students"][2]["rank"], 1) << "ties share a rank";
  for (const std::string& file : {flat.ItemsCsv(), flat.StudentsCsv(), flat.ScoresCsv()}) {
    EXPECT_EQ(file.find("nan"), std::string::npos) << file;
    EXPECT_EQ(file.find("inf"), std::string::npos) << file;
  }

  // Question 1's key C is drawn by the weak; the strong choose B.  Nobody
  // answers question 3; everyone has question 4 right.
  const auto paper = [](const char* choice, const char* essay) {
    QuestionResult q1 = Choice(1, choice, choice == std::string("C") ? "2" : "0");
    return std::vector<QuestionResult>{q1, Essay(2, "x", essay, "10"), Essay(3, nullptr, "0", "5"),
                                       Essay(4, "y", "1", "1")};
  };
  const cli::ClassSummary flagged = cli::SummaryOf(
      Students({paper("B", "10"), paper("B", "9"), paper("C", "0"), paper("C", "1")}));
  const nlohmann::json q = nlohmann::json::parse(flagged.Json())["subjects"][0]["questions"];
  const std::string negative = "区分度为负：答得好的学生反而更常答错，请核对标准答案";
  // Questions 1 and 2 fall as the total rises, so alpha rises without
  // them; nobody chose question 1's A or D; questions 3 and 4 give every
  // student the same score.
  const std::string raises = "删除本题后信度提高";
  const std::string unchosen = "干扰项几乎无人选择（低于 5%）";
  const std::string alike = "所有考生得分相同";
  EXPECT_EQ(q[0]["flags"], nlohmann::json({negative, "标准答案可能有误", raises, unchosen}));
  EXPECT_EQ(q[1]["flags"], nlohmann::json({negative, raises}));
  EXPECT_EQ(q[2]["flags"], nlohmann::json({"得分率低于 20%：过难", "无人作答", alike}));
  EXPECT_EQ(q[3]["flags"], nlohmann::json({"得分率高于 90%：过易", alike}));
  EXPECT_EQ(q[0]["options"][1]["upper"], 1.0) << "the upper group of 4 is its best student";
  EXPECT_NE(flagged.ItemsCsv().find("," + negative + "；标准答案可能有误；" + raises + "；" +
                                    unchosen + "\r\n"),
            std::string::npos);
  // index.html lists the flagged questions first, each with its reasons.
  const std::string html = flagged.Html();
  const size_t box = html.find("<h2>需要复核的试题</h2>");
  EXPECT_LT(box, html.find("<table id='items'"));
  EXPECT_NE(html.find("测验 第1题：" + negative + "；标准答案可能有误；" + raises + "；" +
                      unchosen + "</li>"),
            std::string::npos);
  EXPECT_NE(html.find("测验 第3题：得分率低于 20%：过难；无人作答；" + alike + "</li>"),
            std::string::npos);

  // A class without a known score: no chart of empty bins, no figures.
  cli::StudentRecord missing;
  missing.subject = "测验";
  const std::string empty = cli::SummaryOf({missing}).Html();
  EXPECT_EQ(empty.find("<svg class='histogram'"), std::string::npos);
  EXPECT_NE(empty.find("没有得分已知的学生"), std::string::npos);
  EXPECT_NE(empty.find("没有需要复核的试题。"), std::string::npos);
  // Nor a class without any student.
  const std::string nobody = cli::SummaryOf({}).Html();
  EXPECT_EQ(nobody.find("<svg"), std::string::npos);
  EXPECT_NE(nobody.find("没有得分已知的学生"), std::string::npos);
}

// A question two papers describe differently (one with another key) is
// described the same way, and counted the same, whatever order the
// students come in.
TEST(ClassFiguresTest, AQuestionDescribedTwoWaysGivesTheSameFiguresInAnyOrder) {
  QuestionResult other_key = Choice(1, "D", "2");
  other_key.standard_answer = "D";
  std::vector<cli::StudentRecord> records =
      Students({{other_key}, {Choice(1, "C", "2")}, {Choice(1, nullptr, "0")}});
  const std::string forward = cli::SummaryOf(records).Json();
  std::reverse(records.begin(), records.end());
  EXPECT_EQ(cli::SummaryOf(records).Json(), forward);
  const nlohmann::json q = nlohmann::json::parse(forward)["subjects"][0]["questions"][0];
  EXPECT_EQ(q["standard_answer"], "C");
  EXPECT_EQ(q["answers"], 3);
  EXPECT_EQ(q["answered"], 2);
}

// Subjects are never pooled: each has its section, headed with its name,
// with its own figures, histogram (bins up to its own full marks) and plot.
TEST(ClassFiguresTest, EachSubjectHasItsOwnSection) {
  std::vector<cli::StudentRecord> records = Students({{Essay(1, "a", "90", "100")},
                                                      {Essay(1, "b", "3", "10")},
                                                      {Essay(1, "c", "70", "100")},
                                                      {Essay(1, "d", "0", "100")}});
  records[1].subject = "英语";
  const std::string html = cli::SummaryOf(records).Html();
  const size_t quiz = html.find(
      "<section class='subject' aria-labelledby='subject-1'><h2 "
      "id='subject-1'>科目：测验</h2>");
  const size_t english = html.find("<h2 id='subject-2'>科目：英语</h2>");
  ASSERT_LT(quiz, english);
  ASSERT_NE(english, std::string::npos);
  EXPECT_EQ(html.find("<h2 id='subject-3'"), std::string::npos);
  const std::string bins = "<g class='bin'><title>";
  // 测验: 90, 70, 0 of 100; 英语: 3 of 10.
  EXPECT_LT(html.find("<td class='number'>3</td><td class='number'>53.33</td>", quiz), english);
  EXPECT_LT(html.find(bins + "90–100 分：1 人</title>", quiz), english);
  EXPECT_LT(html.find(bins + "0–10 分：1 人</title>", quiz), english);
  EXPECT_NE(html.find("<td class='number'>1</td><td class='number'>3.00</td>", english),
            std::string::npos);
  EXPECT_NE(html.find(bins + "3–4 分：1 人</title>", english), std::string::npos);
  EXPECT_NE(html.find("<p class='scatter'>英语：", english), std::string::npos);
}

// One odd input loses one output, never the rest: characters XML forbids
// in a name, subject or class are replaced in the workbook (which any
// reader then opens) and said so; a question of 4,100 options, or a paper
// of 16,400 questions, is beyond a workbook's columns: the workbook alone is
// not written (an earlier one removed), with the limit named, exit 3, and
// every other file is.
TEST_F(ClassSummaryTest, OneOddInputLosesOneOutput) {
  const std::string bad = "王\xEF\xBF\xBF\xEF\xBF\xBE\x01明";  // U+FFFF, U+FFFE, a control
  fs::create_directories(dir_.File("odd"));
  nlohmann::json odd = nlohmann::json::parse(RecordText("1001"));
  odd["student_name"] = bad;
  odd["class"] = bad;
  WriteFileForTest(dir_.File("odd/1001.results.json"), odd.dump());
  WriteFileForTest(dir_.File("odd/1002.results.json"), RecordText("1002"));
  CliResult r = Cli({"summary", "odd"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(
      r.err.find(
          "个字符是工作簿不能存放的（控制字符、U+FFFE、U+FFFF 或无效的 UTF-8），已替换为 U+FFFD"),
      std::string::npos)
      << r.err;
  const Sheet students(ReadWorkbook(dir_.File("odd/summary.xlsx")), "学生");
  EXPECT_EQ(students.Cell(students.Row({{"学号", "1001"}}), "姓名")["value"],
            "王\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD明");
  EXPECT_NE(ReadFileForTest(dir_.File("odd/summary.csv")).find(bad), std::string::npos)
      << "the CSV keeps the name as it is";

  const auto many = [](const std::string& id, int questions, int options) {
    nlohmann::json record = nlohmann::json::parse(RecordText(id));
    const nlohmann::json question = record["results"][0];
    record["results"] = nlohmann::json::array();
    for (int q = 1; q <= questions; ++q) {
      nlohmann::json result = question;
      result["number"] = q;
      if (options > 0) {
        result["choice"] = true;
        result["family"] = "single_choice";
        result["options"] = nlohmann::json::array();
        for (int o = 0; o < options; ++o) result["options"].push_back("O" + std::to_string(o));
        result["student_answer"] = "O7";
        result["standard_answer"] = "O7";
      }
      record["results"].push_back(result);
    }
    return record.dump();
  };
  const std::pair<std::string, std::string> cases[] = {
      {many("2001", 1, 4100), "工作表“试题”有 20521 列，超过工作簿每张工作表 16384 列的上限"},
      {many("2002", 16400, 0), "工作表“得分矩阵”有 16403 列，超过工作簿每张工作表 16384 列的上限"}};
  for (const auto& [record, limit] : cases) {
    SCOPED_TRACE(limit);
    fs::remove_all(dir_.File("wide"));
    fs::create_directories(dir_.File("wide"));
    WriteFileForTest(dir_.File("wide/a.results.json"), record);
    WriteFileForTest(dir_.File("wide/summary.xlsx"), "a workbook of an earlier summary");
    r = Cli({"summary", "wide"});
    EXPECT_EQ(r.exit_code, 3) << r.err;
    EXPECT_NE(r.err.find("未写出工作簿 wide/summary.xlsx：" + limit + "；其余汇总文件已写出"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(dir_.File("wide/summary.xlsx")));
    for (const char* file : {"index.html", "summary.csv", "items.csv", "scores.csv", "summary.json",
                             "MANIFEST.json"}) {
      EXPECT_TRUE(fs::exists(dir_.File(std::string("wide/") + file))) << file;
    }
    EXPECT_EQ(ReadFileForTest(dir_.File("wide/index.html")).find("summary.xlsx"), std::string::npos)
        << "no link to a workbook that is not there";
  }
}

// A class named like a label the summary gives rows of its own (未分班 for
// the students without a class, 全年级, 全体) is shown quoted, so no class
// looks like the whole year, the whole folder or the students without one.
TEST(ClassSummaryLabelsTest, ClassesNamedLikeTheSummarysOwnRowsAreQuoted) {
  std::vector<cli::StudentRecord> records = Students({{Essay(1, "a", "1", "2")},
                                                      {Essay(1, "b", "2", "2")},
                                                      {Essay(1, "c", "0", "2")},
                                                      {Essay(1, "d", "2", "2")}});
  records[0].class_name = "未分班";
  records[1].class_name = "全体";
  records[2].class_name = "全年级";
  const cli::ClassSummary summary = cli::SummaryOf(records);
  const std::string items = CsvLines(summary.ItemsCsv())[0];
  for (const char* column :
       {"难度（“全年级”）", "难度（“全体”）", "难度（“未分班”）", "难度（未分班）"}) {
    EXPECT_NE(items.find(column), std::string::npos) << column << " in " << items;
  }
  const std::string html = summary.Html();
  EXPECT_NE(html.find("<tr><td>全年级</td><td class='number'>4</td>"), std::string::npos);
  EXPECT_NE(html.find("<tr><td>“全年级”</td><td class='number'>1</td>"), std::string::npos);
  EXPECT_NE(html.find("<tr><td>“未分班”</td><td class='number'>1</td>"), std::string::npos);
  EXPECT_NE(html.find("<tr><td>未分班</td><td class='number'>1</td>"), std::string::npos);
  TempDir dir;
  summary.Write(dir.path() + "/");
  const Sheet classes(ReadWorkbook(dir.File("summary.xlsx")), "班级");
  std::vector<std::string> scopes;
  for (size_t row = 1; row < classes.rows(); ++row) {
    scopes.push_back(classes.Cell(row, "范围")["value"]);
  }
  EXPECT_EQ(scopes, (std::vector<std::string>{"全体", "未分班", "“全体”", "“全年级”", "“未分班”"}));
}

// What a workbook cell can hold: XML 1.0 forbids control characters but
// tab and line ends, U+FFFE and U+FFFF; the format wants UTF-8.  Each
// character that is not, or each byte that is not part of one, becomes
// U+FFFD.
TEST(ClassSummaryWorkbookTest, CellTextIsWhatXmlAllows) {
  const std::string r = "\xEF\xBF\xBD";  // U+FFFD
  const struct {
    std::string text, safe;
    size_t replaced;
  } cases[] = {
      {"中文 abc", "中文 abc", 0},
      {"\t\n\r", "\t\n\r", 0},
      {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", 0},  // beyond the BMP
      {"\xEF\xBF\xBC\xEF\xBF\xBD", "\xEF\xBF\xBC\xEF\xBF\xBD", 0},
      {"a\x01z\x1F", "a" + r + "z" + r, 2},
      {std::string("\0", 1), r, 1},
      {"\xEF\xBF\xBF\xEF\xBF\xBE", r + r, 2},
      {"a\x80z", "a" + r + "z", 1},            // a continuation byte alone
      {"\xC3\x28", r + "(", 1},                // a lead byte cut short
      {"\xE4\xB8", r + r, 2},                  // the text ends inside a character
      {"\xC0\x80", r + r, 1 + 1},              // an overlong form
      {"\xED\xA0\x80", r + r + r, 1 + 2},      // a surrogate: its bytes as they come
      {"\xF4\x90\x80\x80", r + r + r + r, 4},  // beyond U+10FFFF
      {"\xF8\x88\x80\x80\x80", r + r + r + r + r, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::string text = c.text;
    EXPECT_EQ(cli::XmlSafe(text), c.replaced);
    EXPECT_EQ(text, c.safe);
  }
}

}  // namespace
}  // namespace generatesheet::testing
