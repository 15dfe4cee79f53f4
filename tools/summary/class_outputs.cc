#include "tools/summary/class_outputs.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "util/html_text.h"

namespace generatesheet::cli {

namespace {

using nlohmann::json;

constexpr char kWholeYear[] = "全年级";

json Value(const std::optional<double>& v) { return v ? json(*v) : json(nullptr); }

std::string Fixed(double value, int digits) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", digits, value);
  return text;
}

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

std::string ComparisonRow(const std::string& label, const SubjectFigures& f,
                          const SubjectFigures& year) {
  std::string html = "<tr><td>" + EscapeHtml(label) + "</td><td class='number'>" +
                     std::to_string(f.count) + "</td>" + Cell(f.mean, 2) + Cell(f.median, 2) +
                     Cell(f.sd, 2) + Cell(f.alpha, 3);
  for (const QuestionFigures& q : year.questions) html += Cell(Facility(f, q.number), 1, true);
  return html + "</tr>";
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
      questions.push_back({{"number", q.number}, {"facility", Value(q.facility)}});
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
    html += "<h3>" + EscapeHtml(f.subject) +
            "</h3>\n<div class='wide' role='region' tabindex='0' aria-label='各班比较 " +
            EscapeHtml(f.subject) +
            "'><table class='classes'><thead><tr><th>班级</th>"
            "<th>人数</th><th>平均分</th><th>中位数</th><th>标准差（n−1）</th><th>信度 α</th>";
    for (const QuestionFigures& q : f.questions) {
      html += "<th>第" + std::to_string(q.number) + "题难度</th>";
    }
    html += "</tr></thead><tbody>" + ComparisonRow(kWholeYear, f, f);
    for (const ClassFigures& c : of->classes) {
      html += ComparisonRow(ClassLabel(c.name), c.figures, f);
    }
    html += "</tbody></table></div>\n";
  }
  return html;
}

}  // namespace generatesheet::cli
