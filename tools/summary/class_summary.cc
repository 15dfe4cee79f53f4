#include "tools/summary/class_summary.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string_view>

#include "tools/summary/class_charts.h"
#include "tools/summary/class_outputs.h"
#include "tools/summary/csv_writer.h"
#include "tools/summary/figures_files.h"
#include "tools/summary/figures_html.h"
#include "tools/summary/folder_summary.h"
#include "tools/summary/item_analysis.h"
#include "tools/summary/summary_words.h"
#include "tools/summary/summary_workbook.h"
#include "util/error.h"
#include "util/file_util.h"
#include "util/html_text.h"

namespace generatesheet::cli {

namespace {

constexpr char kMissing[] = "—";

std::string Fixed(double value, int digits) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", digits, value);
  return text;
}

std::string Percent(double share) { return Fixed(share * 100, 1) + "%"; }

// A subtotal for summary.json: a number, null when unknown.
nlohmann::json SubtotalValue(const std::string& text) {
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return nullptr;
  return value;
}

std::string Discrimination(const ItemStatistics& item, int digits) {
  return item.discrimination ? Fixed(*item.discrimination, digits) : "";
}

constexpr char kStyle[] = R"(<style>
  body { margin: 0 auto; padding: 16px; max-width: 64rem; color: #1f2328;
    font: 15px/1.6 "Noto Sans CJK SC", "Source Han Sans SC", "PingFang SC", "Microsoft YaHei", sans-serif; }
  h1 { font-size: 1.4rem; } h2 { font-size: 1.15rem; margin-top: 1.5rem; }
  table { border-collapse: collapse; width: 100%; margin: 0.5rem 0; }
  th, td { border: 1px solid #d0d7de; padding: 0.3rem 0.5rem; text-align: left; vertical-align: top; }
  th { background: #f6f8fa; }
  table.sortable th { cursor: pointer; user-select: none; }
  table.sortable th[aria-sort=ascending]::after { content: " ▲"; }
  table.sortable th[aria-sort=descending]::after { content: " ▼"; }
  td.number { text-align: right; font-variant-numeric: tabular-nums; }
  .outcome.with_errors { color: #9a6700; } .outcome.not_written { color: #cf222e; font-weight: 600; }
  .outcome .cause { color: #57606a; font-size: 0.85em; font-weight: 400; overflow-wrap: anywhere; }
  .option { display: inline-block; margin: 0 0.6rem 0 0; white-space: nowrap; }
  .option.correct { font-weight: 700; }
  .option.worst { background: #ffebe9; color: #a40e26; outline: 1px solid #cf222e; padding: 0 0.2rem; }
  svg.histogram, svg.scatter { display: block; width: 100%; max-width: 40rem; height: auto; }
  svg.histogram rect { fill: #0b5cad; } svg text { font-size: 12px; fill: #1f2328; }
  svg.histogram text.range { font-size: 9px; } svg text.tick, svg text.region { font-size: 10px; }
  svg text.tick, svg text.region { fill: #57606a; }
  svg line.axis, svg line.zero { stroke: #57606a; } svg rect.frame { fill: none; stroke: #8c959f; }
  svg line.mean { stroke: #cf222e; stroke-width: 1.5; stroke-dasharray: 5 3; }
  svg .mean text { fill: #a40e26; font-weight: 600; }
  svg line.threshold { stroke: #8c959f; stroke-dasharray: 4 3; }
  svg .item circle { fill: #0b5cad; } svg .item.flagged path { fill: #cf222e; }
  svg .item.flagged text { fill: #a40e26; font-weight: 600; }
  figure.chart { margin: 1rem 0 0.25rem; } figcaption { font-weight: 600; }
  .note, .chart-key { color: #57606a; font-size: 0.9em; margin: 0.25rem 0; }
  .review { border: 2px solid #9a6700; padding: 0 1rem; margin: 1rem 0; }
  .legend dt { font-weight: 600; } .legend dd { margin: 0 0 0.4rem 1rem; }
  .wide { overflow-x: auto; }
  /* On a phone the tables keep readable columns and scroll in their box,
     rather than breaking a heading into a character per line. */
  table.stats th, table.subjects th, #students th, #items th { white-space: nowrap; }
  table.subjects td:first-child { white-space: nowrap; }
  #students { min-width: 34rem; } #items { min-width: 44rem; }
  .files a { overflow-wrap: anywhere; }
  section.subject { border-top: 1px solid #d0d7de; margin-top: 1.5rem; }
  @page { size: A4; margin: 12mm; }
  @media print {
    body { max-width: none; padding: 0; font-size: 10.5pt; }
    .wide { overflow: visible; } #students, #items { min-width: 0; }
    table.sortable th { cursor: auto; } table.sortable th::after { content: none; }
    tr, svg, figure, .legend dd { break-inside: avoid; }
    h2 { break-after: avoid; }
    svg, .option.worst { print-color-adjust: exact; -webkit-print-color-adjust: exact; }
  }
</style>)";

// Sorting by a click on a column heading; numbers by their data-value,
// unknown values last.
constexpr char kScript[] = R"(<script>
document.querySelectorAll('table.sortable').forEach(function (table) {
  table.querySelectorAll('th').forEach(function (th, column) {
    th.addEventListener('click', function () {
      var ascending = th.getAttribute('aria-sort') !== 'ascending';
      table.querySelectorAll('th').forEach(function (h) { h.removeAttribute('aria-sort'); });
      th.setAttribute('aria-sort', ascending ? 'ascending' : 'descending');
      var numeric = th.dataset.type === 'number';
      var body = table.tBodies[0];
      var rows = Array.prototype.slice.call(body.rows);
      function key(row) {
        var cell = row.cells[column];
        if (!numeric) return cell.textContent;
        var v = cell.dataset.value;
        return v === undefined || v === '' ? null : parseFloat(v);
      }
      rows.sort(function (a, b) {
        var x = key(a), y = key(b);
        if (x === null || y === null) return x === y ? 0 : (x === null ? 1 : -1);
        var order = numeric ? x - y : x.localeCompare(y, 'zh-CN');
        return ascending ? order : -order;
      });
      rows.forEach(function (row) { body.appendChild(row); });
    });
  });
});
</script>)";

// A link to a page beside the summary: always relative ("./"), so no name
// can make it a "javascript:" or other scheme, and with the characters that
// would end or change a path percent-encoded.
std::string PageHref(const std::string& page) {
  std::string href = "./";
  for (const unsigned char c : page) {
    if (c < 0x21 ||
        std::string_view("%?#\\\"'<>").find(static_cast<char>(c)) != std::string_view::npos) {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      href += escaped;
    } else {
      href += static_cast<char>(c);
    }
  }
  return href;
}

std::string NumberCell(const std::string& value) {
  if (value.empty()) return std::string("<td class='number' data-value=''>") + kMissing + "</td>";
  return "<td class='number' data-value='" + EscapeHtml(value) + "'>" + EscapeHtml(value) + "</td>";
}

std::string StatisticsTable(const ClassStatistics& s) {
  const auto cell = [&](double v) { return s.count == 0 ? std::string(kMissing) : Fixed(v, 2); };
  return "<table class='stats'><tr><th>人数</th><th>平均分</th><th>中位数</th><th>最低分</th>"
         "<th>最高分</th><th>标准差（总体，除以 n）</th></tr><tr><td class='number'>" +
         std::to_string(s.count) + "</td><td class='number'>" + cell(s.mean) +
         "</td><td class='number'>" + cell(s.median) + "</td><td class='number'>" + cell(s.min) +
         "</td><td class='number'>" + cell(s.max) + "</td><td class='number'>" + cell(s.std_dev) +
         "</td></tr></table>";
}

std::string StudentsTable(const std::vector<ClassSummary::Student>& students) {
  std::string html =
      "<table id='students' class='sortable'><thead><tr><th>学号</th><th>姓名</th><th>科目</th>"
      "<th data-type='number'>得分</th><th>结果</th><th>页面</th></tr></thead><tbody>";
  for (const auto& [r, score] : students) {
    html += "<tr><td>" + EscapeHtml(r.student_id) + "</td><td>" + EscapeHtml(r.student_name) +
            "</td><td>" + EscapeHtml(r.subject) + "</td>" + NumberCell(score) +
            "<td class='outcome " + OutcomeName(r.state) + "' title='" + EscapeHtml(r.message) +
            "'>" + StateWords(r.state);
    // Shown, not only on hover: a printed summary tells why too.
    if (!r.message.empty()) html += "<div class='cause'>" + EscapeHtml(r.message) + "</div>";
    html += "</td><td>";
    if (r.state != Outcome::kNotWritten) {
      html += "<a href='" + EscapeHtml(PageHref(r.page)) + "'>" + EscapeHtml(r.page) + "</a>";
    }
    html += "</td></tr>";
  }
  return html + "</tbody></table>";
}

std::string ItemsTable(const ClassAnalysis& a) {
  std::string html =
      "<table id='items' class='sortable'><thead><tr><th>科目</th><th data-type='number'>题号</th>"
      "<th>题型</th>"
      "<th data-type='number'>满分</th><th data-type='number'>难度（得分率）</th>"
      "<th data-type='number'>区分度</th><th data-type='number'>未作答</th><th>选项分布</th>"
      "</tr></thead><tbody>";
  for (const ItemStatistics& item : a.items) {
    const std::string facility = item.facility_known ? Fixed(item.facility, 4) : "";
    html += "<tr><td>" + EscapeHtml(item.subject) + "</td><td class='number' data-value='" +
            std::to_string(item.number) + "'>" + std::to_string(item.number) + "</td><td>" +
            FamilyWords(item.family) + "</td>" + NumberCell(item.full) +
            "<td class='number' data-value='" + facility + "'>" +
            (item.facility_known ? Percent(item.facility) : kMissing) + "</td>" +
            NumberCell(Discrimination(item, 2)) + "<td class='number' data-value='" +
            Fixed(item.unanswered, 4) + "'>" + Percent(item.unanswered) + "</td><td>";
    for (const OptionShare& o : item.options) {
      std::string classes = "option";
      if (o.correct) classes += " correct";
      if (o.worst_distractor) classes += " worst";
      // Marked by a symbol as well as by colour, so it reads in black and white.
      const char* mark = o.correct ? " <span role='img' aria-label='正确选项'>✔</span>"
                         : o.worst_distractor ? " <span role='img' aria-label='最多人误选'>✘</span>"
                                              : "";
      html += "<span class='" + classes + "'>" + EscapeHtml(o.letter) + mark + " " +
              Percent(o.share) + "</span>";
    }
    if (!item.choice) html += "—";
    html += "</td></tr>";
  }
  return html + "</tbody></table>";
}

}  // namespace

void ClassSummary::Add(StudentRecord record) {
  analyser_.Add(record);
  figures_.Add(students_.size(), record);
  classes_.Add(students_.size(), record);
  sections_.Add(students_.size(), record);
  std::string score = StudentScore(record);
  record.results = std::vector<QuestionResult>();  // its room too, not only its elements
  record.sections = std::vector<std::string>();
  students_.push_back({std::move(record), std::move(score)});
}

ClassSummary::Figures ClassSummary::Compute() const {
  return {analyser_.Analysis(), figures_.Figures(), classes_.Figures()};
}

std::string ClassSummary::StudentsCsv() const { return StudentsCsv(Compute()); }
std::string ClassSummary::ItemsCsv() const { return ItemsCsv(Compute()); }
std::string ClassSummary::ScoresCsv() const { return ScoresCsv(Compute()); }
std::string ClassSummary::Json() const { return Json(Compute()); }
std::string ClassSummary::Html(const std::vector<std::string>& linked) const {
  return Html(Compute(), linked);
}

std::string ClassSummary::StudentsCsv(const Figures& computed) const {
  std::vector<std::string> header = {"学号", "姓名", "科目", "得分", "结果", "页面"};
  const bool with_class = classes_.named();
  if (with_class) header.insert(header.begin() + 2, "班级");
  const std::vector<std::string> more = StudentColumnsHeader();
  header.insert(header.end(), more.begin(), more.end());
  const std::vector<std::string> sections = sections_.Header();
  header.insert(header.end(), sections.begin(), sections.end());
  std::string csv = kBom + CsvLine(header);
  const auto figures = StudentColumns(computed.subjects, students_.size());
  for (size_t i = 0; i < students_.size(); ++i) {
    const auto& [r, score] = students_[i];
    std::vector<std::string> line = {
        r.student_id, r.student_name,      r.subject,
        score,        StateWords(r.state), r.state == Outcome::kNotWritten ? "" : r.page};
    if (with_class) line.insert(line.begin() + 2, r.class_name);
    line.insert(line.end(), figures[i].begin(), figures[i].end());
    const std::vector<std::string> subtotals = sections_.Cells(i);
    line.insert(line.end(), subtotals.begin(), subtotals.end());
    csv += CsvLine(line);
  }
  return csv;
}

std::string ClassSummary::ItemsCsv(const Figures& computed) const {
  const ClassAnalysis& a = computed.analysis;
  const ItemColumns columns(computed.subjects);
  const std::vector<SubjectClasses>& classes = computed.classes;
  std::vector<std::string> header = {"科目", "题号",   "题型",       "满分",    "人数",
                                     "难度", "区分度", "未作答比例", "标准答案"};
  const std::vector<std::string> more = columns.Header();
  header.insert(header.end(), more.begin(), more.end());
  const std::vector<std::string> per_class = ClassItemHeader(classes);
  header.insert(header.end(), per_class.begin(), per_class.end());
  std::string csv = kBom + CsvLine(header);
  for (const ItemStatistics& item : a.items) {
    std::vector<std::string> line = {item.subject,
                                     std::to_string(item.number),
                                     FamilyWords(item.family),
                                     item.full,
                                     std::to_string(item.students),
                                     item.facility_known ? Fixed(item.facility, 4) : "",
                                     Discrimination(item, 4),
                                     Fixed(item.unanswered, 4),
                                     item.choice ? item.correct : ""};
    const std::vector<std::string> cells = columns.Cells(item.subject, item.number);
    line.insert(line.end(), cells.begin(), cells.end());
    const std::vector<std::string> class_cells = ClassItemCells(classes, item.subject, item.number);
    line.insert(line.end(), class_cells.begin(), class_cells.end());
    csv += CsvLine(line);
  }
  return csv;
}

std::string ClassSummary::ScoresCsv(const Figures& computed) const {
  return cli::ScoresCsv(
      computed.subjects, students_.size(),
      [&](size_t row) -> const StudentRecord& { return students_[row].record; }, classes_.named());
}

std::string ClassSummary::Json(const Figures& computed) const {
  JsonExtras extras;
  if (classes_.named() || sections_.any()) {
    extras.subject = [&](const SubjectFigures& f, nlohmann::json& subject) {
      if (classes_.named()) subject["classes"] = ClassesJson(computed.classes, f.subject);
      if (sections_.any()) subject["sections"] = sections_.Sections(f.subject);
    };
    extras.student = [&](const StudentFigures& s, nlohmann::json& student) {
      if (classes_.named()) student["class"] = students_[s.row].record.class_name;
      if (!sections_.any()) return;
      nlohmann::json subtotals = nlohmann::json::array();
      for (const std::string& subtotal : sections_.Subtotals(s.row)) {
        subtotals.push_back(SubtotalValue(subtotal));
      }
      student["section_scores"] = subtotals;
    };
  }
  return SummaryJson(
      computed.subjects, [&](size_t row) -> const StudentRecord& { return students_[row].record; },
      extras);
}

namespace {

// A table that may be wider than a phone scrolls inside its own box; the
// box takes the keyboard's focus, so it scrolls without a mouse too.
std::string Wide(const std::string& label, const std::string& table) {
  return "<div class='wide' role='region' tabindex='0' aria-label='" + label + "'>" + table +
         "</div>";
}

std::string FileLinks(const std::vector<std::string>& files) {
  static const std::pair<const char*, const char*> kWhat[] = {
      {"summary.csv", "每名学生一行：得分、名次、百分位"},
      {"items.csv", "每题一行：难度、区分度、选项分布"},
      {"scores.csv", "得分矩阵：每名学生每题的得分"},
      {"summary.json", "全部数据，供程序读取"},
      {"summary.xlsx", "Excel 工作簿"}};
  std::string html = "<nav aria-label='汇总文件'><ul class='files'>";
  for (const std::string& file : files) {
    html += "<li><a href='" + EscapeHtml(PageHref(file)) + "'>" + EscapeHtml(file) + "</a>";
    for (const auto& [name, what] : kWhat) {
      if (file == name) html += std::string("：") + what;
    }
    html += "</li>";
  }
  return html + "</ul></nav>";
}

// One section per subject: its figures, histogram and item plot, never
// pooled with another subject's.
std::string SubjectSections(const ClassAnalysis& a, const std::vector<SubjectFigures>& figures) {
  if (a.subjects.empty()) return "<p class='histogram'>没有得分已知的学生，无分数分布。</p>\n";
  std::string html;
  for (size_t i = 0; i < a.subjects.size(); ++i) {
    const SubjectScores& s = a.subjects[i];
    const std::string id = "subject-" + std::to_string(i + 1);
    const std::string name = s.subject.empty() ? "未注明科目" : EscapeHtml(s.subject);
    html += "<section class='subject' aria-labelledby='" + id + "'><h2 id='" + id + "'>科目：" +
            name + "</h2>\n" + Wide(name + " 分数统计", StatisticsTable(s.stats)) + "\n" +
            ScoreHistogram(s) + "\n";
    const auto f = std::find_if(figures.begin(), figures.end(),
                                [&](const SubjectFigures& g) { return g.subject == s.subject; });
    if (f != figures.end()) html += ItemScatter(*f) + "\n";
    html += "</section>\n";
  }
  return html;
}

}  // namespace

std::string ClassSummary::Html(const Figures& computed,
                               const std::vector<std::string>& linked) const {
  const ClassAnalysis& a = computed.analysis;
  const std::vector<SubjectFigures>& figures = computed.subjects;
  return std::string(
             "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
             "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
             "<title>班级成绩汇总</title>\n") +
         kStyle + "\n</head>\n<body>\n<header><h1>班级成绩汇总</h1>\n" + FileLinks(linked) +
         "</header>\n<main>\n" + ReviewBox(figures) + "\n<h2>各科目</h2>\n" +
         Wide("各科目", SubjectFiguresTable(figures)) + "\n" +
         ClassComparisonHtml(figures, computed.classes) + FiguresLegend() + "\n" +
         SubjectSections(a, figures) + "<h2>学生（点击表头排序）</h2>\n" +
         Wide("学生", StudentsTable(students_)) +
         "\n<h2>试题分析（由难到易；✔ 为正确选项，✘ 红框为最多人误选的选项）</h2>\n" +
         Wide("试题分析", ItemsTable(a)) + "\n</main>\n" + kScript + "\n</body>\n</html>\n";
}

void ClassSummary::Write(const std::string& folder) const {
  // The figures are worked out once for all the files.
  const Figures computed = Compute();
  WriteFileAtomically(folder + "summary.csv", StudentsCsv(computed));
  WriteFileAtomically(folder + "items.csv", ItemsCsv(computed));
  WriteFileAtomically(folder + "scores.csv", ScoresCsv(computed));
  WriteFileAtomically(folder + "summary.json", Json(computed));
  WriteSummaryWorkbook(folder + "summary.xlsx", {students_, computed.subjects, computed.classes,
                                                 classes_.named(), sections_});
  // Last, so it links every file written beside it.
  std::vector<std::string> linked;
  for (const char* file : kLinkedFiles) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(folder + file, ec)) linked.push_back(file);
  }
  WriteFileAtomically(folder + "index.html", Html(computed, linked));
}

ClassSummary SummaryOf(const std::vector<StudentRecord>& records) {
  ClassSummary summary;
  for (const StudentRecord& record : records) summary.Add(record);
  return summary;
}

RebuildCounts RebuildClassSummary(const std::string& folder) {
  return SummariseFolders({folder}, folder);
}

}  // namespace generatesheet::cli
