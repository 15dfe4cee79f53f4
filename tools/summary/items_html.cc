#include "tools/summary/items_html.h"

#include <cstdio>

#include "tools/summary/summary_tables.h"
#include "tools/summary/summary_words.h"
#include "util/html_text.h"

namespace generatesheet::cli {

namespace {

std::string Percent(double share) { return Fixed(share * 100, 1) + "%"; }

// A number cell that sorts by `value` ("" when unknown) and shows `shown`.
std::string NumberCell(const std::string& value, const std::string& shown) {
  return "<td class='number' data-value='" + EscapeHtml(value) + "'>" +
         (value.empty() ? std::string(kMissing) : EscapeHtml(shown)) + "</td>";
}

std::string FixedCell(const std::optional<double>& v, int digits) {
  const std::string text = v ? Fixed(*v, digits) : "";
  return NumberCell(text, text);
}

std::string PercentCell(const std::optional<double>& v) {
  return NumberCell(v ? Fixed(*v, 4) : "", v ? Percent(*v) : "");
}

// One response: its letter, marks, share and count.
std::string ResponseSpan(const OptionFigures& o, const char* kind) {
  std::string classes = kind;
  if (o.key) classes += " correct";
  if (o.most_chosen_wrong) classes += " worst";
  // Marked by a symbol as well as by colour, so it reads in black and white.
  const char* mark = o.key ? " <span role='img' aria-label='正确选项'>✔</span>"
                     : o.most_chosen_wrong ? " <span role='img' aria-label='最多人误选'>✘</span>"
                                           : "";
  return "<span class='" + classes + "'>" + EscapeHtml(o.letter) + mark + " " + Percent(o.share) +
         "（" + std::to_string(o.count) + " 人）</span>";
}

// Per wrong option chosen, who chose it, folded.
std::string Choosers(const QuestionFigures& q, const RecordOfRow& record_of) {
  std::string items;
  for (const OptionFigures& o : q.options) {
    if (o.key || o.chosen_by.empty()) continue;
    items += "<li>" + EscapeHtml(o.letter) + "：";
    for (size_t i = 0; i < o.chosen_by.size(); ++i) {
      const StudentRecord& r = record_of(o.chosen_by[i]);
      items += (i > 0 ? "、" : "") + EscapeHtml(r.student_name) + " " + EscapeHtml(r.student_id);
    }
    items += "</li>";
  }
  if (items.empty()) return "";
  return "<details class='choosers'><summary>误选学生</summary><ul>" + items + "</ul></details>";
}

std::string ResponsesCell(const QuestionFigures& q, const RecordOfRow& record_of) {
  if (!q.choice) return "<td>—</td>";
  std::string html = "<td>";
  for (const OptionFigures& o : q.options) html += ResponseSpan(o, "option");
  if (q.answers > 0 && q.blank.count > 0) html += ResponseSpan(q.blank, "option blank");
  return html + Choosers(q, record_of) + "</td>";
}

std::string FlagsCell(const QuestionFigures& q) {
  std::string html = "<td class='flags'>";
  for (size_t i = 0; i < q.flags.size(); ++i) {
    html += (i > 0 ? "；" : "") + EscapeHtml(q.flags[i]);
  }
  return html + "</td>";
}

std::string QuestionRow(const std::string& subject, const QuestionFigures& q,
                        const RecordOfRow& record_of) {
  const std::string number = std::to_string(q.number);
  return "<tr><td>" + EscapeHtml(subject) + "</td>" + NumberCell(number, number) +
         "<td class='question-text'>" + EscapeHtml(q.text) + "</td><td class='family'>" +
         FamilyWords(q.family) + "</td>" + NumberCell(q.full, q.full) + PercentCell(q.facility) +
         FixedCell(q.item_rest, 2) + FixedCell(q.upper_lower, 2) + PercentCell(q.unanswered) +
         ResponsesCell(q, record_of) + FlagsCell(q) + "</tr>";
}

}  // namespace

std::string ItemsHtml(const std::vector<SubjectFigures>& subjects, const RecordOfRow& record_of) {
  std::string html =
      "<table id='items' class='sortable'><thead><tr><th>科目</th><th data-type='number'>题号</th>"
      "<th>题目</th><th>题型</th><th data-type='number'>满分</th>"
      "<th data-type='number'>难度（得分率）</th><th data-type='number'>区分度</th>"
      "<th data-type='number'>高低分组区分度</th><th data-type='number'>未作答</th>"
      "<th>选项分布（比例与人数）</th><th>提示</th></tr></thead><tbody>";
  for (const auto& [s, i] : HardestFirst(subjects)) {
    html += QuestionRow(subjects[s].subject, subjects[s].questions[i], record_of);
  }
  return html + "</tbody></table>";
}

}  // namespace generatesheet::cli
