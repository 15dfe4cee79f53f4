#include "tools/summary/students_html.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <string_view>
#include <vector>

#include "tools/job/output_files.h"
#include "tools/summary/section_totals.h"
#include "tools/summary/summary_words.h"
#include "util/html_text.h"

namespace generatesheet::cli {

namespace {

// The columns of the 学生 table shown on the page, in this order; those the
// table lacks are left out.  The section subtotals follow 百分位.
constexpr const char* kLeading[] = {"学号",     "姓名",     "班级", "科目",  "得分",
                                    "班级名次", "年级名次", "名次", "百分位"};

// "名次" of the files is the rank in the whole summary.
std::string ShownHeading(const std::string& name, bool with_class) {
  return name == "名次" && with_class ? "年级名次" : name;
}

std::string Cell(const TableCell& cell) {
  if (cell.kind == TableCell::Kind::kText) return "<td>" + EscapeHtml(cell.text) + "</td>";
  const std::string value = cell.kind == TableCell::Kind::kNumber ? EscapeHtml(cell.text) : "";
  return "<td class='number' data-value='" + value + "'>" + (value.empty() ? kMissing : value) +
         "</td>";
}

std::string OutcomeCell(const SummaryStudent& student) {
  const StudentRecord& r = student.record;
  std::string html = "<td class='outcome " + std::string(OutcomeKey(student)) + "' title='" +
                     EscapeHtml(r.message) + "'>" + OutcomeWords(student);
  // Shown, not only on hover: a printed summary tells why too.
  if (!r.message.empty()) html += "<div class='cause'>" + EscapeHtml(r.message) + "</div>";
  return html + "</td>";
}

std::string LinksCell(const SummaryStudent& student) {
  const StudentRecord& r = student.record;
  if (!PageLinked(student)) return "<td></td>";
  std::string html =
      "<td><a href='" + EscapeHtml(PageHref(r.page)) + "'>" + EscapeHtml(r.page) + "</a>";
  if (r.pdf_pages > 0) {
    html += " <a class='pdf' href='" + EscapeHtml(PageHref(PdfPathFor(r.page))) + "' aria-label='" +
            EscapeHtml(r.page) + " 的 PDF'>PDF</a>";
  }
  return html + "</td>";
}

// The columns of one subject's table: the leading ones the table has, then
// the subject's own sections.
std::vector<size_t> ShownColumns(const SummaryTable& table, size_t first_section,
                                 const std::string& subject, const SectionTotals& sections) {
  std::vector<size_t> shown;
  for (const char* name : kLeading) {
    const auto at = std::find(table.header.begin(), table.header.end(), name);
    if (at != table.header.end()) shown.push_back(static_cast<size_t>(at - table.header.begin()));
  }
  const std::vector<std::string> own =
      sections.any() ? sections.HeaderOf(subject) : std::vector<std::string>();
  for (size_t i = first_section; i < table.header.size(); ++i) {
    if (std::ranges::find(own, table.header[i]) != own.end()) shown.push_back(i);
  }
  return shown;
}

std::string HeadingCell(const std::string& name, const std::string& subject, bool with_class,
                        bool section) {
  if (section) {
    const std::string heading = name.substr(subject.size() + 1);
    return "<th data-type='number' title='" + EscapeHtml(heading) + "'>" +
           EscapeHtml(ShortHeading(heading)) + "</th>";
  }
  const bool text = name == "学号" || name == "姓名" || name == "班级" || name == "科目";
  return std::string("<th") + (text ? "" : " data-type='number'") + ">" +
         EscapeHtml(ShownHeading(name, with_class)) + "</th>";
}

// The table of one subject's students (rows in the summary's order).
std::string SubjectTable(const SummaryContent& content, const SummaryTable& table,
                         const std::string& subject, const std::string& id) {
  const size_t first_section = table.header.size() - content.sections.Header().size();
  const std::vector<size_t> shown = ShownColumns(table, first_section, subject, content.sections);
  std::string html = "<div class='wide landscape' role='region' tabindex='0' aria-label='学生 " +
                     EscapeHtml(subject) + "'><table id='" + id +
                     "' class='sortable students'><thead><tr>";
  for (const size_t column : shown) {
    html += HeadingCell(table.header[column], subject, content.with_class, column >= first_section);
  }
  html += "<th>结果</th><th>页面</th></tr></thead><tbody>";
  for (size_t row = 0; row < table.rows; ++row) {
    const SummaryStudent& student = content.students[content.order[row]];
    if (student.record.subject != subject) continue;
    const std::vector<TableCell> cells = table.row(row);
    html += content.with_class ? "<tr data-class='" + EscapeHtml(student.record.class_name) + "'>"
                               : std::string("<tr>");
    for (const size_t column : shown) html += Cell(cells[column]);
    html += OutcomeCell(student) + LinksCell(student) + "</tr>";
  }
  return html + "</tbody></table></div>";
}

std::string ClassFilter(const SummaryContent& content) {
  if (!content.with_class) return "";
  std::set<std::string> classes;
  for (const SummaryStudent& s : content.students) classes.insert(s.record.class_name);
  std::string html =
      "<p class='filter' hidden><label>只看班级 <select id='class-filter'>"
      "<option value='' selected>全部</option>";
  for (const std::string& name : classes) {
    html += "<option value='" + EscapeHtml(name) + "'>" +
            EscapeHtml(name.empty() ? "未注明班级" : name) + "</option>";
  }
  return html + "</select></label> <span id='class-count' aria-live='polite'></span></p>";
}

}  // namespace

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

std::string StudentsHtml(const SummaryContent& content) {
  const SummaryTable table = StudentsTable(content);
  // One table a subject, in the order of the subjects' sections above:
  // each has its own sections and ranks.
  std::vector<std::string> subjects;
  for (const SubjectFigures& f : content.subjects) subjects.push_back(f.subject);
  for (const size_t i : content.order) {
    const std::string& subject = content.students[i].record.subject;
    if (std::find(subjects.begin(), subjects.end(), subject) == subjects.end()) {
      subjects.push_back(subject);
    }
  }
  std::string html = ClassFilter(content);
  for (size_t i = 0; i < subjects.size(); ++i) {
    const std::string id = subjects.size() == 1 ? "students" : "students-" + std::to_string(i + 1);
    if (subjects.size() > 1) {
      html += "<h3>" + EscapeHtml(subjects[i].empty() ? "未注明科目" : subjects[i]) + "</h3>\n";
    }
    html += SubjectTable(content, table, subjects[i], id);
  }
  return html;
}

// Sorting by a click on a column heading (numbers by their data-value,
// unknown values last); the class filter hides the other classes' rows.
const char kStudentsScript[] = R"(<script>
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
(function () {
  var filter = document.getElementById('class-filter');
  if (!filter) return;
  var rows = document.querySelectorAll('table.students tbody tr');
  filter.parentNode.parentNode.hidden = false;
  filter.addEventListener('change', function () {
    var shown = 0;
    rows.forEach(function (row) {
      row.hidden = filter.value !== '' && row.dataset.class !== filter.value;
      if (!row.hidden) ++shown;
    });
    document.getElementById('class-count').textContent = '共 ' + shown + ' 名';
  });
})();
</script>)";

}  // namespace generatesheet::cli
