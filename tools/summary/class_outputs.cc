#include "tools/summary/class_outputs.h"
#include "tools/summary/summary_words.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "util/html_text.h"

namespace generatesheet::cli {

namespace {

using nlohmann::json;

constexpr char kWholeYear[] = "全年级";

json Value(const std::optional<double>& v) { return v ? json(*v) : json(nullptr); }

std::string Cell(const std::optional<double>& v, int digits, bool percent = false) {
  if (!v) return "<td class='number'>—</td>";
  return "<td class='number'>" + (percent ? Fixed(*v * 100, 1) + "%" : Fixed(*v, digits)) + "</td>";
}

const SubjectClasses* ClassesOf(const std::vector<SubjectClasses>& classes,
                                const std::string& subject) {
  for (const SubjectClasses& s : classes) {
    if (s.subject == subject) return &s;
  }
  return nullptr;
}

std::optional<double> Facility(const SubjectFigures& f, int number) {
  for (const QuestionFigures& q : f.questions) {
    if (q.number == number) return q.facility;
  }
  return std::nullopt;
}

// Question columns a table of the comparison holds: a wider table would be
// cut on an A4 page, so the questions are split over tables, each with the
// class column again.
constexpr size_t kQuestionsPerTable = 10;

std::string ComparisonRow(const std::string& label, const SubjectFigures& f) {
  return "<tr><td>" + EscapeHtml(label) + "</td><td class='number'>" + std::to_string(f.count) +
         "</td>" + Cell(f.mean, 2) + Cell(f.median, 2) + Cell(f.sd, 2) + Cell(f.alpha, 3) + "</tr>";
}

std::string FacilityRow(const std::string& label, const SubjectFigures& f,
                        const std::vector<QuestionFigures>& questions, size_t begin, size_t end) {
  std::string html = "<tr><td>" + EscapeHtml(label) + "</td>";
  for (size_t i = begin; i < end; ++i) html += Cell(Facility(f, questions[i].number), 1, true);
  return html + "</tr>";
}

// `look`: "wide", or "wide landscape" for a table printed across the page.
std::string Boxed(const std::string& look, const std::string& label, const std::string& table) {
  return "<div class='" + look + "' role='region' tabindex='0' aria-label='" + EscapeHtml(label) +
         "'>" + table + "</div>\n";
}

// The difficulty of each question per class, kQuestionsPerTable to a table.
std::string FacilityTables(const SubjectFigures& year, const SubjectClasses& of) {
  std::string html;
  const std::vector<QuestionFigures>& questions = year.questions;
  for (size_t begin = 0; begin < questions.size(); begin += kQuestionsPerTable) {
    const size_t end = std::min(questions.size(), begin + kQuestionsPerTable);
    const std::string range =
        "第" + std::to_string(questions[begin].number) +
        (end - begin > 1 ? "–" + std::to_string(questions[end - 1].number) : std::string()) + "题";
    std::string table = "<table class='classes'><caption>各题难度（" + range +
                        "）</caption><thead><tr><th>班级</th>";
    for (size_t i = begin; i < end; ++i) {
      table += "<th>第" + std::to_string(questions[i].number) + "题难度</th>";
    }
    table += "</tr></thead><tbody>" + FacilityRow(kWholeYear, year, questions, begin, end);
    for (const ClassFigures& c : of.classes) {
      table += FacilityRow(ClassLabel(c.name), c.figures, questions, begin, end);
    }
    html += Boxed("wide landscape", "各班比较 " + year.subject + " " + range,
                  table + "</tbody></table>");
  }
  return html;
}

}  // namespace

json ClassesJson(const std::vector<SubjectClasses>& classes, const std::string& subject) {
  json list = json::array();
  const SubjectClasses* of = ClassesOf(classes, subject);
  if (!of) return list;
  for (const ClassFigures& c : of->classes) {
    const SubjectFigures& f = c.figures;
    json questions = json::array();
    for (const QuestionFigures& q : f.questions) {
      questions.push_back({{"number", q.number},
                           {"facility", Value(q.facility)},
                           {"upper_lower", Value(q.upper_lower)}});
    }
    list.push_back({{"class", c.name},
                    {"count", f.count},
                    {"complete", f.complete},
                    {"mean", Value(f.mean)},
                    {"median", Value(f.median)},
                    {"min", Value(f.min)},
                    {"max", Value(f.max)},
                    {"sd", Value(f.sd)},
                    {"alpha", Value(f.alpha)},
                    {"sem", Value(f.sem)},
                    {"skewness", Value(f.skewness)},
                    {"effect_size", Value(f.effect_size)},
                    {"q1", Value(f.q1)},
                    {"q3", Value(f.q3)},
                    {"score_rate", Value(f.score_rate)},
                    {"pass_rate", Value(f.pass_rate)},
                    {"excellent_rate", Value(f.excellent_rate)},
                    {"low_rate", Value(f.low_rate)},
                    {"questions", questions}});
  }
  return list;
}

std::string ClassComparisonHtml(const std::vector<SubjectFigures>& year,
                                const std::vector<SubjectClasses>& classes) {
  if (classes.empty()) return "";
  std::string html = "<h2>各班比较</h2>\n";
  for (const SubjectFigures& f : year) {
    const SubjectClasses* of = ClassesOf(classes, f.subject);
    if (!of) continue;
    std::string table =
        "<table class='classes'><thead><tr><th>班级</th>"
        "<th>人数</th><th>平均分</th><th>中位数</th><th>标准差（n−1）</th><th>信度 α</th>"
        "</tr></thead><tbody>" +
        ComparisonRow(kWholeYear, f);
    for (const ClassFigures& c : of->classes) table += ComparisonRow(ClassLabel(c.name), c.figures);
    html += "<h3>" + EscapeHtml(f.subject) + "</h3>\n" +
            Boxed("wide", "各班比较 " + f.subject, table + "</tbody></table>") +
            FacilityTables(f, *of);
  }
  return html;
}

}  // namespace generatesheet::cli
