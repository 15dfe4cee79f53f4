#include "tools/summary/summary_workbook.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "tools/summary/figures_files.h"
#include "tools/summary/summary_words.h"
#include "tools/summary/xlsx_workbook.h"

namespace generatesheet::cli {

namespace {

struct Formats {
  explicit Formats(XlsxWorkbook& book)
      : header(book.Format("", XlsxWorkbook::Look::kHeader)),
        whole(book.Format("0")),
        fixed(book.Format("0.00")),
        fine(book.Format("0.000")),
        percent(book.Format("0.0%")),
        flagged_text(book.Format("", XlsxWorkbook::Look::kFlagged)),
        flagged_fixed(book.Format("0.00", XlsxWorkbook::Look::kFlagged)),
        flagged_percent(book.Format("0.0%", XlsxWorkbook::Look::kFlagged)) {}
  lxw_format *header, *whole, *fixed, *fine, *percent;
  lxw_format *flagged_text, *flagged_fixed, *flagged_percent;
};

// A score as the results give it ("66.5"); none when empty or unreadable.
std::optional<double> Decimal(const std::string& text) {
  double value = 0;
  const char* begin = text.data() + (text.starts_with('+') ? 1 : 0);
  const auto [end, ec] = std::from_chars(begin, text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<double> Count(std::optional<size_t> n) {
  return n ? std::optional<double>(static_cast<double>(*n)) : std::nullopt;
}

bool Flagged(const QuestionFigures& q, const char* flag) {
  return std::find(q.flags.begin(), q.flags.end(), flag) != q.flags.end();
}

// The figures of each row of the summary (null for a row of none).
std::vector<const StudentFigures*> FiguresByRow(const std::vector<SubjectFigures>& subjects,
                                                size_t rows) {
  std::vector<const StudentFigures*> by_row(rows, nullptr);
  for (const SubjectFigures& f : subjects) {
    for (const StudentFigures& s : f.students) {
      if (s.row < rows) by_row[s.row] = &s;
    }
  }
  return by_row;
}

void StudentsSheet(XlsxWorkbook& book, const Formats& look, const WorkbookContent& content) {
  const std::vector<ClassSummary::Student>& students = content.students;
  XlsxSheet sheet = book.AddSheet("学生");
  std::vector<std::string> header = {"学号", "姓名", "科目", "得分", "结果", "页面"};
  if (content.with_class) header.insert(header.begin() + 2, "班级");
  const std::vector<std::string> more = StudentColumnsHeader();
  header.insert(header.end(), more.begin(), more.end());
  const std::vector<std::string> sections = content.sections.Header();
  header.insert(header.end(), sections.begin(), sections.end());
  sheet.Header(header, look.header, 2);
  const std::vector<const StudentFigures*> by_row = FiguresByRow(content.subjects, students.size());
  for (size_t row = 0; row < students.size(); ++row) {
    const auto& [r, score] = students[row];
    sheet.NextRow();
    sheet.Text(r.student_id);
    sheet.Text(r.student_name);
    if (content.with_class) sheet.Text(r.class_name);
    sheet.Text(r.subject);
    sheet.Number(Decimal(score));
    sheet.Text(StateWords(r.state), r.state == Outcome::kComplete ? nullptr : look.flagged_text);
    sheet.Text(r.state == Outcome::kNotWritten ? "" : r.page);
    const StudentFigures none;
    const StudentFigures& s = by_row[row] ? *by_row[row] : none;
    sheet.Number(Count(s.rank), look.whole);
    sheet.Number(s.percentile, look.fixed);
    for (const int n : {s.right, s.partial, s.wrong, s.unanswered}) sheet.Number(n, look.whole);
    for (const std::string& subtotal : content.sections.Cells(row)) {
      sheet.Number(Decimal(subtotal));
    }
  }
  sheet.Finish();
}

// One question's row of the 试题 sheet; `letters` are the option columns.
void QuestionRow(XlsxSheet& sheet, const Formats& look, const std::string& subject,
                 const QuestionFigures& q, const std::vector<std::string>& letters) {
  const auto option = [&](const std::string& letter) -> const OptionFigures* {
    for (const OptionFigures& o : q.options) {
      if (o.letter == letter) return &o;
    }
    return nullptr;
  };
  const bool weak = Flagged(q, kFlagNegative) || Flagged(q, kFlagLow);
  const bool extreme = Flagged(q, kFlagHard) || Flagged(q, kFlagEasy);
  sheet.NextRow();
  sheet.Text(subject);
  sheet.Number(q.number, look.whole);
  sheet.Text(FamilyWords(q.family));
  if (const std::optional<double> full = Decimal(q.full)) {
    sheet.Number(full);
  } else {
    sheet.Text(q.full);
  }
  sheet.Number(static_cast<double>(q.students), look.whole);
  sheet.Number(q.facility, extreme ? look.flagged_percent : look.percent);
  sheet.Number(q.item_rest, weak ? look.flagged_fixed : look.fixed);
  const std::optional<double> unanswered =
      q.students == 0 ? std::nullopt
                      : std::optional<double>(static_cast<double>(q.students - q.answered) /
                                              static_cast<double>(q.students));
  sheet.Number(unanswered, Flagged(q, kFlagNobody) ? look.flagged_percent : look.percent);
  sheet.Text(q.choice ? q.standard_answer : "", Flagged(q, kFlagKey) ? look.flagged_text : nullptr);
  for (const std::string& l : letters) {
    const OptionFigures* o = option(l);
    sheet.Number(o ? std::optional<double>(o->share) : std::nullopt, look.percent);
  }
  sheet.Number(q.upper_lower, look.fixed);
  sheet.Number(q.alpha_if_deleted, look.fine);
  for (const std::string& l : letters) {
    const OptionFigures* o = option(l);
    sheet.Number(o ? o->upper : std::nullopt, look.percent);
    sheet.Number(o ? o->lower : std::nullopt, look.percent);
    sheet.Number(o ? o->point_biserial : std::nullopt, look.fixed);
  }
  std::string flags;
  for (const std::string& flag : q.flags) flags += (flags.empty() ? "" : "；") + flag;
  sheet.Text(flags, flags.empty() ? nullptr : look.flagged_text);
}

void QuestionsSheet(XlsxWorkbook& book, const Formats& look,
                    const std::vector<SubjectFigures>& subjects) {
  XlsxSheet sheet = book.AddSheet("试题");
  const ItemColumns columns(subjects);
  std::vector<std::string> header = {"科目", "题号",   "题型",       "满分",    "人数",
                                     "难度", "区分度", "未作答比例", "标准答案"};
  const std::vector<std::string> more = columns.Header();
  header.insert(header.end(), more.begin(), more.end());
  sheet.Header(header, look.header, 2);
  for (const SubjectFigures& f : subjects) {
    for (const QuestionFigures& q : f.questions) {
      QuestionRow(sheet, look, f.subject, q, columns.letters());
    }
  }
  sheet.Finish();
}

void MatrixSheet(XlsxWorkbook& book, const Formats& look, const WorkbookContent& content) {
  const std::vector<ClassSummary::Student>& students = content.students;
  const std::vector<SubjectFigures>& subjects = content.subjects;
  XlsxSheet sheet = book.AddSheet("得分矩阵");
  std::vector<std::string> header = {"学号", "姓名", "科目"};
  if (content.with_class) header.insert(header.begin() + 2, "班级");
  const size_t names = header.size();
  std::vector<size_t> first_column;  // of each subject, after the names
  for (const SubjectFigures& f : subjects) {
    first_column.push_back(header.size() - names);
    for (const QuestionFigures& q : f.questions) {
      header.push_back(f.subject + " 第" + std::to_string(q.number) + "题");
    }
  }
  sheet.Header(header, look.header, static_cast<int>(names));
  // Where each row's scores begin.
  std::vector<const StudentFigures*> by_row(students.size(), nullptr);
  std::vector<size_t> offset(students.size(), 0);
  for (size_t i = 0; i < subjects.size(); ++i) {
    for (const StudentFigures& s : subjects[i].students) {
      if (s.row >= students.size()) continue;
      by_row[s.row] = &s;
      offset[s.row] = first_column[i];
    }
  }
  for (size_t row = 0; row < students.size(); ++row) {
    const StudentRecord& r = students[row].record;
    sheet.NextRow();
    sheet.Text(r.student_id);
    sheet.Text(r.student_name);
    if (content.with_class) sheet.Text(r.class_name);
    sheet.Text(r.subject);
    if (by_row[row] == nullptr) continue;
    for (size_t i = 0; i < offset[row]; ++i) sheet.Number(std::nullopt);
    for (const float v : by_row[row]->scores) sheet.Number(static_cast<double>(v));
  }
  sheet.Finish();
}

// One subject's row of the 班级 sheet; a class's (`whole` false) leaves
// empty the figures not worked out per class.
void FiguresRow(XlsxSheet& sheet, const Formats& look, const std::string& scope,
                const SubjectFigures& f, bool whole) {
  const auto all = [&](const std::optional<double>& v) { return whole ? v : std::nullopt; };
  sheet.NextRow();
  sheet.Text(scope);
  sheet.Text(f.subject);
  sheet.Number(static_cast<double>(f.count), look.whole);
  sheet.Number(static_cast<double>(f.complete), look.whole);
  for (const auto& v : {f.mean, f.median, f.min, f.max, f.sd, all(f.population_sd), all(f.skewness),
                        all(f.kurtosis)}) {
    sheet.Number(v, look.fixed);
  }
  sheet.Number(f.alpha, look.fine);
  sheet.Text(!f.alpha ? "" : f.kr20 ? "KR-20" : "Cronbach α");
  sheet.Number(all(f.sem), look.fixed);
  sheet.Number(whole ? std::optional<double>(static_cast<double>(f.group)) : std::nullopt,
               look.whole);
}

void ClassSheet(XlsxWorkbook& book, const Formats& look, const WorkbookContent& content) {
  XlsxSheet sheet = book.AddSheet("班级");
  sheet.Header({"范围", "科目", "人数", "完整作答人数", "平均分", "中位数", "最低分", "最高分",
                "标准差（n−1）", "标准差（总体，除以 n）", "偏度", "峰度", "信度 α", "信度公式",
                "测量标准误", "高低分组人数"},
               look.header, 2);
  for (const SubjectFigures& f : content.subjects) {
    FiguresRow(sheet, look, kWholeSummaryScope, f, true);
  }
  // Class by class, each with its subjects in the summary's order.
  for (const std::string& name : ClassNames(content.classes)) {
    for (const SubjectClasses& s : content.classes) {
      for (const ClassFigures& c : s.classes) {
        if (c.name == name) FiguresRow(sheet, look, ClassLabel(name), c.figures, false);
      }
    }
  }
  sheet.Finish();
}

}  // namespace

void WriteSummaryWorkbook(const std::string& path, const WorkbookContent& content) {
  XlsxWorkbook book(path);
  const Formats look(book);
  StudentsSheet(book, look, content);
  QuestionsSheet(book, look, content.subjects);
  MatrixSheet(book, look, content);
  ClassSheet(book, look, content);
  book.Commit();
}

}  // namespace generatesheet::cli
