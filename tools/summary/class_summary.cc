#include "tools/summary/class_summary.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string_view>
#include <thread>
#include <tuple>

#include "tools/job/output_files.h"
#include "tools/summary/class_charts.h"
#include "tools/summary/class_outputs.h"
#include "tools/summary/figures_files.h"
#include "tools/summary/figures_html.h"
#include "tools/summary/items_html.h"
#include "tools/summary/student_score.h"
#include "tools/summary/students_html.h"
#include "tools/summary/summary_tables.h"
#include "tools/summary/summary_words.h"
#include "tools/summary/summary_workbook.h"
#include "util/error.h"
#include "util/file_util.h"
#include "util/html_text.h"

namespace generatesheet::cli {

namespace {

std::string FileName(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

// The order of the summary's rows: by student number, subject, name,
// class, page (its file name: the same page reached from another folder is
// the same row), then what is left to tell two records apart.
auto SortKey(const SummaryStudent& s) {
  const StudentRecord& r = s.record;
  return std::make_tuple(r.student_id, r.subject, r.student_name, r.class_name, FileName(r.page),
                         s.run, static_cast<int>(r.state), s.score, r.message);
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
  .outcome.not_run { color: #57606a; font-weight: 600; }
  .partial { border: 2px solid #cf222e; background: #ffebe9; padding: 0.5rem 1rem; margin: 1rem 0; }
  .partial p { margin: 0; font-weight: 600; }
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
  #students { min-width: 34rem; } #items { min-width: 56rem; }
  #items td.family { white-space: nowrap; } #items td.question-text { min-width: 9rem; } #items td.flags { min-width: 7rem; color: #9a6700; }
  details.choosers summary { cursor: pointer; color: #0b5cad; }
  details.choosers ul { margin: 0.2rem 0; padding-left: 1.2rem; }
  .files a { overflow-wrap: anywhere; }
  section.subject { border-top: 1px solid #d0d7de; margin-top: 1.5rem; }
  .exam-date { color: #57606a; margin: 0 0 0.5rem; }
  caption { text-align: left; font-weight: 600; padding: 0.25rem 0; }
  .filter { margin: 0.5rem 0; }
  @page { size: A4; margin: 12mm; }
  /* The widest tables print across the page, so their columns fit. */
  @page across { size: A4 landscape; margin: 12mm; }
  @media print {
    body { max-width: none; padding: 0; font-size: 10.5pt; }
    .landscape { page: across; font-size: 9pt; }
    th { white-space: normal !important; } table.students a { white-space: nowrap; }
    table.classes th { white-space: nowrap !important; }
    .filter { display: none; }
    .wide { overflow: visible; } #students, #items { min-width: 0; }
    table.sortable th { cursor: auto; } table.sortable th::after { content: none; }
    tr, svg, figure, .legend dd { break-inside: avoid; }
    h2 { break-after: avoid; }
    svg, .option.worst { print-color-adjust: exact; -webkit-print-color-adjust: exact; }
  }
</style>)";

std::string StatisticsTable(const SubjectFigures& f) {
  const auto cell = [&](const std::optional<double>& v) {
    return v ? Fixed(*v, 2) : std::string(kMissing);
  };
  return "<table class='stats'><tr><th>人数</th><th>平均分</th><th>中位数</th><th>最低分</th>"
         "<th>最高分</th><th>标准差（n−1）</th></tr><tr><td class='number'>" +
         std::to_string(f.count) + "</td><td class='number'>" + cell(f.mean) +
         "</td><td class='number'>" + cell(f.median) + "</td><td class='number'>" + cell(f.min) +
         "</td><td class='number'>" + cell(f.max) + "</td><td class='number'>" + cell(f.sd) +
         "</td></tr></table>";
}

// Who the figures count: every student but those left out, and why each is.
struct Coverage {
  size_t rows = 0, counted = 0, not_written = 0, unread = 0, not_run = 0;
  std::vector<size_t> left_out;  // indexes into the students, in the summary's order
  bool partial() const { return counted < rows; }
};

Coverage CoverageOf(const std::vector<SummaryStudent>& students, const std::vector<size_t>& order) {
  Coverage c;
  c.rows = students.size();
  for (const size_t i : order) {
    switch (WhyLeftOut(students[i])) {
      case LeftOut::kCounted:
        ++c.counted;
        continue;
      case LeftOut::kNotWritten:
        ++c.not_written;
        break;
      case LeftOut::kUnread:
        ++c.unread;
        break;
      case LeftOut::kNotRun:
        ++c.not_run;
        break;
    }
    c.left_out.push_back(i);
  }
  return c;
}

// "仅汇总 20 / 40 名考生：3 名页面未写出，17 名未生成（…）".
std::string CoverageWords(const Coverage& c, const std::string& not_run_note) {
  std::string parts;
  const auto part = [&](size_t n, const std::string& what) {
    if (n > 0) parts += (parts.empty() ? "" : "，") + std::to_string(n) + " 名" + what;
  };
  part(c.not_written, "页面未写出");
  part(c.unread, "得分未能全部读出");
  part(c.not_run, "未生成（" + not_run_note + "）");
  return "仅汇总 " + std::to_string(c.counted) + " / " + std::to_string(c.rows) + " 名考生：" +
         parts;
}

// "学号 姓名（科目）：未写出：why" for each student left out.
std::vector<std::string> LeftOutLines(const std::vector<SummaryStudent>& students,
                                      const Coverage& c) {
  std::vector<std::string> lines;
  for (const size_t i : c.left_out) {
    const SummaryStudent& s = students[i];
    const StudentRecord& r = s.record;
    std::string line = r.student_id + " " + r.student_name + "（" + r.subject + "）：";
    line += WhyLeftOut(s) == LeftOut::kUnread ? "得分未能全部读出" : OutcomeWords(s);
    if (!r.message.empty()) line += "：" + r.message;
    lines.push_back(line);
  }
  return lines;
}

std::string CoverageBanner(const std::vector<SummaryStudent>& students, const Coverage& c,
                           const std::string& not_run_note) {
  if (!c.partial()) return "";
  std::string html = "<section class='partial' role='alert'><p>" +
                     EscapeHtml(CoverageWords(c, not_run_note)) +
                     "</p><details><summary>未计入的考生</summary><ul>";
  for (const std::string& line : LeftOutLines(students, c)) {
    html += "<li>" + EscapeHtml(line) + "</li>";
  }
  return html + "</ul></details></section>\n";
}

nlohmann::json CoverageJson(const std::vector<SummaryStudent>& students, const Coverage& c) {
  nlohmann::json left_out = nlohmann::json::array();
  for (const size_t i : c.left_out) {
    const SummaryStudent& s = students[i];
    const char* why = WhyLeftOut(s) == LeftOut::kUnread ? "unread" : OutcomeKey(s);
    left_out.push_back({{"student_id", s.record.student_id},
                        {"student_name", s.record.student_name},
                        {"subject", s.record.subject},
                        {"class", s.record.class_name},
                        {"outcome", OutcomeKey(s)},
                        {"why", why},
                        {"message", s.record.message}});
  }
  return {{"partial", c.partial()},       {"students", c.rows}, {"counted", c.counted},
          {"not_written", c.not_written}, {"unread", c.unread}, {"not_run", c.not_run},
          {"left_out", left_out}};
}

// A table that may be wider than a phone scrolls inside its own box; the
// box takes the keyboard's focus, so it scrolls without a mouse too.
std::string Wide(const std::string& label, const std::string& table) {
  return "<div class='wide' role='region' tabindex='0' aria-label='" + label + "'>" + table +
         "</div>";
}

// The summary files index.html links to that are in `folder`.
std::vector<std::string> LinkedFiles(const std::string& folder) {
  std::vector<std::string> linked;
  for (const char* file : kLinkedFiles) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(folder + file, ec)) linked.push_back(file);
  }
  return linked;
}

std::string FileLinks(const std::vector<std::string>& files) {
  static const std::pair<const char*, const char*> kWhat[] = {
      {"summary.csv", "每名学生一行：得分、名次、百分位"},
      {"items.csv", "每题一行：难度、区分度、选项分布"},
      {"scores.csv", "得分矩阵：每名学生每题的得分"},
      {"summary.json", "全部数据，供程序读取"},
      {"summary.xlsx", "Excel 工作簿"},
      {"class.pdf", "班级 PDF：每名学生的页面，供打印"}};
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
std::string SubjectSections(const std::vector<SubjectFigures>& figures) {
  if (figures.empty()) return "<p class='histogram'>没有得分已知的学生，无分数分布。</p>\n";
  std::string html;
  for (size_t i = 0; i < figures.size(); ++i) {
    const SubjectFigures& f = figures[i];
    const std::string id = "subject-" + std::to_string(i + 1);
    const std::string name = f.subject.empty() ? "未注明科目" : EscapeHtml(f.subject);
    html += "<section class='subject' aria-labelledby='" + id + "'><h2 id='" + id + "'>科目：" +
            name + "</h2>\n" + Wide(name + " 分数统计", StatisticsTable(f)) + "\n" +
            ScoreHistogram(f) + "\n" + ItemScatter(f) + "\n</section>\n";
  }
  return html;
}

}  // namespace

struct ClassSummary::Figures {
  std::vector<size_t> order;   // indexes into students_, in the summary's order
  std::vector<size_t> row_of;  // the summary row of each index into students_
  std::vector<SubjectFigures> subjects;
  std::vector<SubjectClasses> classes;
  std::vector<SectionsOfSubject> sections;
  Coverage coverage;

  SummaryContent Content(const ClassSummary& s) const {
    return {s.students_, order, subjects, classes, s.sections_, s.named_, s.bands_, sections};
  }
};

void ClassSummary::Add(StudentRecord record) {
  const size_t index = students_.size();
  named_ = named_ || !record.class_name.empty();
  figures_.Add(index, record);
  classes_.Add(index, record);
  sections_.Add(index, record);
  std::string score = StudentScore(record);
  record.results = std::vector<QuestionResult>();  // its room too, not only its elements
  record.sections = std::vector<std::string>();
  record.texts = std::vector<std::string>();
  students_.push_back({std::move(record), std::move(score), true});
}

void ClassSummary::AddNotRun(StudentRecord record) {
  named_ = named_ || !record.class_name.empty();
  record.results = std::vector<QuestionResult>();
  record.sections = std::vector<std::string>();
  record.texts = std::vector<std::string>();
  students_.push_back({std::move(record), "", false});
}

ClassSummary::Figures ClassSummary::Compute() const {
  Figures f;
  f.order.resize(students_.size());
  for (size_t i = 0; i < f.order.size(); ++i) f.order[i] = i;
  std::stable_sort(f.order.begin(), f.order.end(), [&](size_t a, size_t b) {
    return SortKey(students_[a]) < SortKey(students_[b]);
  });
  f.row_of.resize(students_.size());
  for (size_t row = 0; row < f.order.size(); ++row) f.row_of[f.order[row]] = row;
  f.subjects = figures_.Figures(f.row_of);
  f.classes = classes_.Figures(f.row_of);
  RankWithinClasses(f.subjects, f.classes);
  AddBandRates(f.subjects, f.classes, bands_);
  CompareWithRestOfYear(f.subjects, f.classes);
  f.sections = SectionFiguresOf(sections_, students_, f.order, named_);
  f.coverage = CoverageOf(students_, f.order);
  return f;
}

std::vector<SummaryTable> ClassSummary::Tables(const Figures& computed,
                                               const SummaryContent& content) const {
  std::vector<SummaryTable> tables = {StudentsTable(content), ItemsTable(content),
                                      MatrixTable(content), ClassesTable(content)};
  if (!computed.sections.empty()) tables.push_back(SectionsTable(content));
  tables.push_back(WrongChoicesTable(content));
  if (computed.coverage.partial()) {
    const std::string note = kPartialMark + CoverageWords(computed.coverage, not_run_note_);
    for (SummaryTable& table : tables) table.note = note;
  }
  return tables;
}

std::string ClassSummary::Csv(size_t table) const {
  const Figures computed = Compute();
  const SummaryContent content = computed.Content(*this);
  return TableCsv(Tables(computed, content)[table]);
}

std::string ClassSummary::StudentsCsv() const { return Csv(0); }

std::string ClassSummary::ItemsCsv() const { return Csv(1); }

std::string ClassSummary::ScoresCsv() const { return Csv(2); }

std::string ClassSummary::Json() const { return Json(Compute()); }

std::string ClassSummary::Html(const std::vector<std::string>& linked) const {
  return Html(Compute(), linked);
}

std::string ClassSummary::Json(const Figures& computed) const {
  std::string out;
  PutJson([&](std::string_view piece) { out += piece; }, computed);
  return out;
}

void ClassSummary::PutJson(const ContentSink& put, const Figures& computed) const {
  JsonExtras extras;
  extras.top = {{"coverage", CoverageJson(students_, computed.coverage)},
                {"score_bands",
                 {{"pass", bands_.pass}, {"excellent", bands_.excellent}, {"low", bands_.low}}}};
  extras.subject = [&](const SubjectFigures& f, nlohmann::json& subject) {
    if (named_) subject["classes"] = ClassesJson(computed.classes, f.subject);
    if (!sections_.any()) return;
    subject["sections"] = sections_.Sections(f.subject);
    subject["section_figures"] = SectionsJson(computed.sections, f.subject, named_);
  };
  extras.student = [&](const StudentFigures& s, nlohmann::json& student) {
    const size_t index = computed.order[s.row];
    if (named_) {
      student["class"] = students_[index].record.class_name;
      student["class_rank"] = s.class_rank ? nlohmann::json(*s.class_rank) : nlohmann::json();
    }
    if (!sections_.any()) return;
    nlohmann::json subtotals = nlohmann::json::array();
    for (const std::string& subtotal : sections_.Subtotals(index)) {
      const std::optional<double> value = DecimalValue(subtotal);
      subtotals.push_back(value ? nlohmann::json(*value) : nlohmann::json(nullptr));
    }
    student["section_scores"] = subtotals;
  };
  WriteSummaryJson(
      put, computed.subjects,
      [&](size_t row) -> const StudentRecord& { return students_[computed.order[row]].record; },
      extras);
}

std::string ClassSummary::Html(const Figures& computed,
                               const std::vector<std::string>& linked) const {
  const std::vector<SubjectFigures>& figures = computed.subjects;
  const std::string title = EscapeHtml(Title(computed));
  const std::string date = EscapeHtml(exam_.date);
  const RecordOfRow record_of = [&](size_t row) -> const StudentRecord& {
    return students_[computed.order[row]].record;
  };
  return std::string(
             "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
             "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
             "<title>") +
         title + (date.empty() ? "" : "（" + date + "）") + "</title>\n" + kStyle +
         "\n</head>\n<body>\n<header><h1>" + title + "</h1>\n" +
         (date.empty() ? "" : "<p class='exam-date'>日期：" + date + "</p>\n") +
         CoverageBanner(students_, computed.coverage, not_run_note_) + FileLinks(linked) +
         "</header>\n<main>\n" + ReviewBox(figures) + "\n<h2>各科目</h2>\n" +
         Wide("各科目", SubjectFiguresTable(figures)) + "\n" +
         ClassComparisonHtml(figures, computed.classes) + FiguresLegend() + "\n" +
         SubjectSections(figures) + "<h2>学生（点击表头排序）</h2>\n" +
         StudentsHtml(computed.Content(*this)) +
         "\n<h2>试题分析（由难到易；✔ 为正确选项，✘ "
         "红框为最多人误选的选项；展开“误选学生”看谁选了错误选项）</h2>\n" +
         "<div class='wide landscape' role='region' tabindex='0' aria-label='试题分析'>" +
         ItemsHtml(figures, record_of) + "</div>\n</main>\n" + kStudentsScript +
         "\n</body>\n</html>\n";
}

std::string ClassSummary::Title(const Figures& computed) const {
  if (!exam_.title.empty()) return exam_.title;
  std::vector<std::string> subjects;
  for (const SubjectFigures& f : computed.subjects) subjects.push_back(f.subject);
  return DefaultTitle(subjects);
}

ReportCards ClassSummary::Cards() const {
  const Figures computed = Compute();
  return ReportCardsOf(computed.Content(*this));
}

void ClassSummary::WriteWorkbook(const std::string& workbook, const Figures& computed,
                                 const std::vector<SummaryTable>& tables, const std::string& limit,
                                 SummaryWritten& written) const {
  std::vector<std::string> note;
  if (computed.coverage.partial()) {
    note.push_back(CoverageWords(computed.coverage, not_run_note_));
    const std::vector<std::string> lines = LeftOutLines(students_, computed.coverage);
    note.insert(note.end(), lines.begin(), lines.end());
  }
  if (!limit.empty()) {
    // An earlier workbook would pass for this summary's: it goes.
    std::error_code ec;
    std::filesystem::remove(workbook, ec);
    written.left_out.push_back("未写出工作簿 " + workbook + "：" + limit +
                               (ec ? "；旧的工作簿也未能删除" : "") + "；其余汇总文件已写出");
    return;
  }
  const size_t replaced = WriteSummaryWorkbook(workbook, tables, note, Title(computed), exam_.date);
  if (replaced > 0) {
    written.notes.push_back("工作簿 " + workbook + " 中有 " + std::to_string(replaced) +
                            " 个字符是工作簿不能存放的（控制字符、U+FFFE、U+FFFF 或无效的 "
                            "UTF-8），已替换为 U+FFFD（�）；其余汇总文件保留原样");
  }
}

namespace {

constexpr size_t kSummaryFileCount = std::size(kSummaryFiles);
constexpr size_t kWorkbookFile = 5;  // summary.xlsx in kSummaryFiles
static_assert(std::string_view(kSummaryFiles[kWorkbookFile]) == "summary.xlsx");

}  // namespace

SummaryWritten ClassSummary::Write(const std::string& folder, ReportCards* cards) const {
  // The figures are worked out once for all the files.
  const Figures computed = Compute();
  const SummaryContent content = computed.Content(*this);  // the tables read it as they are written
  if (cards != nullptr) *cards = ReportCardsOf(content);
  const std::vector<SummaryTable> tables = Tables(computed, content);
  // Before any file: without the workbook's module this throws, and every
  // summary file stays as it was.
  const std::string limit = WorkbookLimit(tables);
  SummaryWritten written;
  // A file that cannot be written loses only itself: its earlier version,
  // which would pass for this summary's, goes, the others are still
  // written, and the first failure (in the order below) is thrown after them.
  std::exception_ptr failures[kSummaryFileCount];
  const auto write = [&](size_t file, const std::function<void(const std::string&)>& make) {
    const std::string path = folder + kSummaryFiles[file];
    try {
      make(path);
    } catch (const Error&) {
      std::error_code ec;
      if (std::filesystem::is_regular_file(std::filesystem::symlink_status(path, ec))) {
        std::filesystem::remove(path, ec);
      }
      failures[file] = std::current_exception();
    }
  };
  const auto csv = [&](size_t table) {
    return
        [&, table](const std::string& path) { WriteFileAtomically(path, TableCsv(tables[table])); };
  };
  std::exception_ptr unexpected;  // not a file that cannot be written: thrown as it is
  {
    // The workbook (deflating its sheets is a large part of a class's
    // summary) is made on a thread of its own beside the other files.
    std::jthread workbook([&] {
      try {
        write(kWorkbookFile, [&](const std::string& path) {
          WriteWorkbook(path, computed, tables, limit, written);
        });
      } catch (...) {
        unexpected = std::current_exception();
      }
    });
    write(1, csv(0));
    write(2, csv(1));
    write(3, csv(2));
    write(4, [&](const std::string& path) {
      WriteFileAtomically(path, [&](const ContentSink& put) { PutJson(put, computed); });
    });
  }
  if (unexpected) std::rethrow_exception(unexpected);
  // Last, so it links every file written beside it.
  write(0, [&](const std::string& path) {
    WriteFileAtomically(path, Html(computed, LinkedFiles(folder)));
  });
  for (const size_t file : {1, 2, 3, 4, 5, 0}) {
    if (failures[file]) std::rethrow_exception(failures[file]);
  }
  return written;
}

ClassSummary SummaryOf(const std::vector<StudentRecord>& records) {
  ClassSummary summary;
  for (const StudentRecord& record : records) summary.Add(record);
  return summary;
}

}  // namespace generatesheet::cli
