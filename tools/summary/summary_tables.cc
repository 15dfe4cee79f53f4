#include "tools/summary/summary_tables.h"

#include <algorithm>
#include <memory>

#include "tools/summary/summary_words.h"

namespace generatesheet::cli {

namespace {

bool Flagged(const QuestionFigures& q, const char* flag) {
  return std::find(q.flags.begin(), q.flags.end(), flag) != q.flags.end();
}

const OptionFigures* OptionOf(const QuestionFigures& q, const std::string& letter) {
  for (const OptionFigures& o : q.options) {
    if (o.letter == letter) return &o;
  }
  return nullptr;
}

// Every option letter of any question, in order.
std::vector<std::string> Letters(const std::vector<SubjectFigures>& subjects) {
  std::vector<std::string> letters;
  for (const SubjectFigures& f : subjects) {
    for (const QuestionFigures& q : f.questions) {
      for (const OptionFigures& o : q.options) letters.push_back(o.letter);
    }
  }
  std::sort(letters.begin(), letters.end());
  letters.erase(std::unique(letters.begin(), letters.end()), letters.end());
  return letters;
}

std::vector<std::string> NameHeader(bool with_class) {
  std::vector<std::string> header = {"学号", "姓名", "科目"};
  if (with_class) header.insert(header.begin() + 2, "班级");
  return header;
}

void AddNames(std::vector<TableCell>& cells, const StudentRecord& r, bool with_class) {
  cells.push_back(TableCell::Text(r.student_id));
  cells.push_back(TableCell::Text(r.student_name));
  if (with_class) cells.push_back(TableCell::Text(r.class_name));
  cells.push_back(TableCell::Text(r.subject));
}

std::string Joined(const std::vector<std::string>& flags) {
  std::string text;
  for (const std::string& flag : flags) text += (text.empty() ? "" : "；") + flag;
  return text;
}

// The columns of kItemDetail: the item's mean points and spread, the
// facility of each group, each option's count, and the blank as a
// response (choice questions only).
void AddItemDetail(std::vector<TableCell>& cells, const QuestionFigures& q,
                   const std::vector<std::string>& letters) {
  cells.push_back(TableCell::Figure(q.mean, CellFormat::kFixed2, 4));
  cells.push_back(TableCell::Figure(q.sd, CellFormat::kFixed2, 4));
  cells.push_back(TableCell::Figure(q.upper_facility, CellFormat::kPercent, 4));
  cells.push_back(TableCell::Figure(q.lower_facility, CellFormat::kPercent, 4));
  for (const std::string& l : letters) {
    const OptionFigures* o = OptionOf(q, l);
    cells.push_back(TableCell::Count(o ? std::optional<size_t>(o->count) : std::nullopt));
  }
  const OptionFigures* blank = q.choice && q.answers > 0 ? &q.blank : nullptr;
  cells.push_back(TableCell::Count(blank ? std::optional<size_t>(blank->count) : std::nullopt));
  cells.push_back(TableCell::Figure(blank ? blank->upper : std::nullopt, CellFormat::kPercent, 4));
  cells.push_back(TableCell::Figure(blank ? blank->lower : std::nullopt, CellFormat::kPercent, 4));
  cells.push_back(
      TableCell::Figure(blank ? blank->point_biserial : std::nullopt, CellFormat::kFixed2, 4));
}

std::vector<TableCell> QuestionCells(const SummaryContent& content, const SubjectFigures& f,
                                     const QuestionFigures& q,
                                     const std::vector<std::string>& letters) {
  const bool weak = Flagged(q, kFlagNegative) || Flagged(q, kFlagLow);
  const bool extreme = Flagged(q, kFlagHard) || Flagged(q, kFlagEasy);
  std::vector<TableCell> cells = {
      TableCell::Text(f.subject),
      TableCell::Count(static_cast<size_t>(std::max(q.number, 0))),
      TableCell::Text(FamilyWords(q.family)),
      TableCell::Decimal(q.full),
      TableCell::Count(q.students),
      TableCell::Figure(q.facility, CellFormat::kPercent, 4, extreme),
      TableCell::Figure(q.item_rest, CellFormat::kFixed2, 4, weak),
      TableCell::Figure(q.unanswered, CellFormat::kPercent, 4, Flagged(q, kFlagNobody)),
      TableCell::Text(q.choice ? q.standard_answer : "", Flagged(q, kFlagKey)),
      TableCell::Text(q.text, Flagged(q, kFlagTextsDiffer))};
  if (q.number < 0) cells[1] = TableCell::Text(std::to_string(q.number));
  for (const std::string& l : letters) {
    const OptionFigures* o = OptionOf(q, l);
    cells.push_back(TableCell::Figure(o ? std::optional<double>(o->share) : std::nullopt,
                                      CellFormat::kPercent, 4));
  }
  cells.push_back(TableCell::Figure(q.upper_lower, CellFormat::kFixed2, 4));
  cells.push_back(TableCell::Figure(q.alpha_if_deleted, CellFormat::kFixed3, 4));
  for (const std::string& l : letters) {
    const OptionFigures* o = OptionOf(q, l);
    cells.push_back(TableCell::Figure(o ? o->upper : std::nullopt, CellFormat::kPercent, 4));
    cells.push_back(TableCell::Figure(o ? o->lower : std::nullopt, CellFormat::kPercent, 4));
    cells.push_back(
        TableCell::Figure(o ? o->point_biserial : std::nullopt, CellFormat::kFixed2, 4));
  }
  AddItemDetail(cells, q, letters);
  const std::string flags = Joined(q.flags);
  cells.push_back(TableCell::Text(flags, !flags.empty()));
  for (const std::string& name : ClassNames(content.classes)) {
    cells.push_back(TableCell::Figure(ClassFacility(content.classes, f.subject, name, q.number),
                                      CellFormat::kPercent, 4));
  }
  return cells;
}

// One subject's row of the 班级 sheet; a class's (`whole` false) leaves
// empty the figures not worked out per class.
std::vector<TableCell> FiguresCells(const std::string& scope, const SubjectFigures& f, bool whole) {
  const auto all = [&](const std::optional<double>& v) { return whole ? v : std::nullopt; };
  std::vector<TableCell> cells = {TableCell::Text(scope), TableCell::Text(f.subject),
                                  TableCell::Count(f.count), TableCell::Count(f.complete)};
  for (const auto& v :
       {f.mean, f.median, f.min, f.max, f.sd, all(f.population_sd), f.skewness, all(f.kurtosis)}) {
    cells.push_back(TableCell::Figure(v, CellFormat::kFixed2, 4));
  }
  cells.push_back(TableCell::Figure(f.alpha, CellFormat::kFixed3, 4));
  cells.push_back(TableCell::Text(!f.alpha ? "" : f.kr20 ? "KR-20" : "Cronbach α"));
  cells.push_back(TableCell::Figure(f.sem, CellFormat::kFixed2, 4));
  cells.push_back(TableCell::Count(whole ? std::optional<size_t>(f.group) : std::nullopt));
  for (const auto& v : {f.q1, f.q3}) cells.push_back(TableCell::Figure(v, CellFormat::kFixed2, 4));
  for (const auto& v : {f.score_rate, f.pass_rate, f.excellent_rate, f.low_rate}) {
    cells.push_back(TableCell::Figure(v, CellFormat::kPercent, 4));
  }
  cells.push_back(TableCell::Figure(f.alpha_low, CellFormat::kFixed3, 4));
  cells.push_back(TableCell::Figure(f.alpha_high, CellFormat::kFixed3, 4));
  cells.push_back(TableCell::Figure(f.effect_size, CellFormat::kFixed2, 4));
  return cells;
}

// The student's rank, percentile, standard scores and counts by verdict;
// empty cells for a student without figures.
void AddStanding(std::vector<TableCell>& cells, const StudentFigures* s, bool with_class) {
  const StudentFigures none;
  const StudentFigures& f = s != nullptr ? *s : none;
  cells.push_back(TableCell::Count(f.rank));
  cells.push_back(TableCell::Figure(f.percentile, CellFormat::kFixed2, 2));
  for (const int n : {f.right, f.partial, f.wrong, f.unanswered}) {
    cells.push_back(TableCell::Count(s != nullptr ? std::optional<size_t>(n) : std::nullopt));
  }
  if (with_class) cells.push_back(TableCell::Count(f.class_rank));
  cells.push_back(TableCell::Figure(f.share, CellFormat::kPercent, 4));
  cells.push_back(TableCell::Figure(f.z, CellFormat::kFixed2, 4));
  cells.push_back(TableCell::Figure(f.t, CellFormat::kFixed2, 2));
}

}  // namespace

std::vector<std::string> BandHeader(const ScoreBands& bands) {
  return {"下四分位数",
          "上四分位数",
          "得分率",
          "及格率（得分≥满分的" + BandPercent(bands.pass) + "）",
          "优秀率（得分≥满分的" + BandPercent(bands.excellent) + "）",
          "低分率（得分<满分的" + BandPercent(bands.low) + "）"};
}

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

std::vector<std::pair<size_t, size_t>> HardestFirst(const std::vector<SubjectFigures>& subjects) {
  std::vector<std::pair<size_t, size_t>> items;
  for (size_t s = 0; s < subjects.size(); ++s) {
    for (size_t q = 0; q < subjects[s].questions.size(); ++q) items.emplace_back(s, q);
  }
  // Subjects are by name and questions by number already: stable keeps that
  // order among equal facilities.
  std::stable_sort(items.begin(), items.end(), [&](const auto& a, const auto& b) {
    const std::optional<double>& x = subjects[a.first].questions[a.second].facility;
    const std::optional<double>& y = subjects[b.first].questions[b.second].facility;
    if (x.has_value() != y.has_value()) return x.has_value();
    return x && *x < *y;
  });
  return items;
}

SummaryTable StudentsTable(const SummaryContent& content) {
  SummaryTable table;
  table.sheet = "学生";
  table.header = NameHeader(content.with_class);
  for (const char* name :
       {"得分", "结果", "页面", "名次", "百分位", "答对", "部分正确", "答错", "未作答"}) {
    table.header.push_back(name);
  }
  if (content.with_class) table.header.push_back("班级名次");
  for (const char* name : {kShareColumn, kZColumn, kTColumn}) table.header.push_back(name);
  const std::vector<std::string> sections = content.sections.Header();
  table.header.insert(table.header.end(), sections.begin(), sections.end());
  table.rows = content.order.size();
  auto by_row = std::make_shared<std::vector<const StudentFigures*>>(
      FiguresByRow(content.subjects, content.order.size()));
  table.row = [&content, by_row](size_t row) {
    const SummaryStudent& student = content.students[content.order[row]];
    const StudentRecord& r = student.record;
    std::vector<TableCell> cells;
    AddNames(cells, r, content.with_class);
    cells.push_back(TableCell::Decimal(student.score));
    cells.push_back(TableCell::Text(OutcomeWords(student), !Complete(student)));
    cells.push_back(TableCell::FileLink(PageLinked(student) ? r.page : ""));
    const StudentFigures* s = (*by_row)[row];
    AddStanding(cells, s != nullptr && s->counted ? s : nullptr, content.with_class);
    for (const std::string& subtotal : content.sections.Cells(content.order[row])) {
      cells.push_back(TableCell::Decimal(subtotal));
    }
    return cells;
  };
  return table;
}

SummaryTable ItemsTable(const SummaryContent& content) {
  SummaryTable table;
  table.sheet = "试题";
  table.header = {"科目", "题号",   "题型",       "满分",     "人数",
                  "难度", "区分度", "未作答比例", "标准答案", "题目"};
  auto letters = std::make_shared<std::vector<std::string>>(Letters(content.subjects));
  for (const std::string& l : *letters) table.header.push_back("选项" + l);
  table.header.insert(table.header.end(), {"高低分组区分度", "删除后信度"});
  for (const std::string& l : *letters) {
    table.header.insert(table.header.end(),
                        {"选项" + l + "高分组", "选项" + l + "低分组", "选项" + l + "点二列相关"});
  }
  table.header.insert(table.header.end(),
                      {"平均得分", "得分标准差（n−1）", "高分组难度", "低分组难度"});
  for (const std::string& l : *letters) table.header.push_back("选项" + l + "人数");
  table.header.insert(table.header.end(),
                      {"未作答人数", "未作答高分组", "未作答低分组", "未作答点二列相关"});
  table.header.push_back("提示");
  for (const std::string& name : ClassNames(content.classes)) {
    table.header.push_back("难度（" + ClassLabel(name) + "）");
  }
  auto items =
      std::make_shared<std::vector<std::pair<size_t, size_t>>>(HardestFirst(content.subjects));
  table.rows = items->size();
  table.row = [&content, letters, items](size_t row) {
    const auto [s, q] = (*items)[row];
    const SubjectFigures& f = content.subjects[s];
    return QuestionCells(content, f, f.questions[q], *letters);
  };
  return table;
}

SummaryTable MatrixTable(const SummaryContent& content) {
  SummaryTable table;
  table.sheet = "得分矩阵";
  table.header = NameHeader(content.with_class);
  table.frozen_columns = static_cast<int>(table.header.size());
  // Where each subject's columns begin, after the names.
  auto first_column = std::make_shared<std::vector<size_t>>();
  size_t columns = 0;
  for (const SubjectFigures& f : content.subjects) {
    first_column->push_back(columns);
    for (const QuestionFigures& q : f.questions) {
      table.header.push_back(f.subject + " 第" + std::to_string(q.number) + "题");
    }
    columns += f.questions.size();
  }
  auto by_row = std::make_shared<std::vector<std::pair<const StudentFigures*, size_t>>>(
      content.order.size(), std::pair<const StudentFigures*, size_t>(nullptr, 0));
  for (size_t i = 0; i < content.subjects.size(); ++i) {
    for (const StudentFigures& s : content.subjects[i].students) {
      if (s.row < by_row->size()) (*by_row)[s.row] = {&s, (*first_column)[i]};
    }
  }
  table.rows = content.order.size();
  table.row = [&content, by_row, columns](size_t row) {
    std::vector<TableCell> cells;
    AddNames(cells, content.students[content.order[row]].record, content.with_class);
    const size_t names = cells.size();
    const auto [s, first] = (*by_row)[row];
    if (s != nullptr) {  // a student not counted has no score to show
      cells.resize(names + first);
      for (const double v : s->scores) cells.push_back(TableCell::Score(v));
    }
    cells.resize(names + columns);
    return cells;
  };
  return table;
}

SummaryTable ClassesTable(const SummaryContent& content) {
  SummaryTable table;
  table.sheet = "班级";
  table.header = {"范围",        "科目",   "人数",   "完整作答人数",  "平均分",
                  "中位数",      "最低分", "最高分", "标准差（n−1）", "标准差（总体，除以 n）",
                  "偏度",        "峰度",   "信度 α", "信度公式",      "测量标准误",
                  "高低分组人数"};
  for (const std::string& name : BandHeader(content.bands)) table.header.push_back(name);
  table.header.insert(table.header.end(), {kAlphaLowColumn, kAlphaHighColumn, kEffectSizeColumn});
  // The whole summary's rows, then class by class, each with its subjects
  // in the summary's order.
  auto rows = std::make_shared<std::vector<std::vector<TableCell>>>();
  for (const SubjectFigures& f : content.subjects) {
    rows->push_back(FiguresCells(kWholeSummaryScope, f, true));
  }
  for (const std::string& name : ClassNames(content.classes)) {
    for (const SubjectClasses& s : content.classes) {
      for (const ClassFigures& c : s.classes) {
        if (c.name == name) rows->push_back(FiguresCells(ClassLabel(name), c.figures, false));
      }
    }
  }
  table.rows = rows->size();
  table.row = [rows](size_t row) { return (*rows)[row]; };
  return table;
}

}  // namespace generatesheet::cli

namespace generatesheet::cli {

namespace {

std::vector<TableCell> SectionCells(const std::string& scope, const std::string& subject,
                                    const SectionFigures& f, const SectionAverages& m) {
  return {TableCell::Text(scope),
          TableCell::Text(subject),
          TableCell::Text(f.label),
          f.full > 0 ? TableCell::Score(f.full) : TableCell(),
          TableCell::Count(m.count),
          TableCell::Figure(m.mean, CellFormat::kFixed2, 4),
          TableCell::Figure(m.score_rate, CellFormat::kPercent, 4)};
}

}  // namespace

SummaryTable SectionsTable(const SummaryContent& content) {
  SummaryTable table;
  table.sheet = "大题";
  table.header = {"范围", "科目", "大题", "满分", "人数", "平均分", "得分率"};
  table.frozen_columns = 3;
  auto rows = std::make_shared<std::vector<std::vector<TableCell>>>();
  for (const SectionsOfSubject& s : content.section_figures) {
    for (const SectionFigures& f : s.sections) {
      rows->push_back(SectionCells(kWholeSummaryScope, s.subject, f, f.year));
    }
  }
  for (const std::string& name : ClassNames(content.classes)) {
    for (const SectionsOfSubject& s : content.section_figures) {
      for (const SectionFigures& f : s.sections) {
        for (const auto& [class_name, means] : f.classes) {
          if (class_name == name)
            rows->push_back(SectionCells(ClassLabel(name), s.subject, f, means));
        }
      }
    }
  }
  table.rows = rows->size();
  table.row = [rows](size_t row) { return (*rows)[row]; };
  return table;
}

}  // namespace generatesheet::cli

namespace generatesheet::cli {

namespace {

// One row per student who chose a wrong option: (subject, question, option,
// summary row), by subject, question number, letter and row.
struct WrongChoice {
  size_t subject, question, option, row;
};

std::vector<WrongChoice> WrongChoices(const std::vector<SubjectFigures>& subjects) {
  std::vector<WrongChoice> choices;
  for (size_t s = 0; s < subjects.size(); ++s) {
    for (size_t q = 0; q < subjects[s].questions.size(); ++q) {
      const std::vector<OptionFigures>& options = subjects[s].questions[q].options;
      for (size_t o = 0; o < options.size(); ++o) {
        for (const size_t row : options[o].chosen_by) choices.push_back({s, q, o, row});
      }
    }
  }
  return choices;
}

}  // namespace

SummaryTable WrongChoicesTable(const SummaryContent& content) {
  SummaryTable table;
  table.sheet = "误选学生";
  table.header = {"科目", "题号", "所选选项", "标准答案"};
  const std::vector<std::string> names = NameHeader(content.with_class);
  table.header.insert(table.header.end(), names.begin(), names.end());
  table.header.erase(std::find(table.header.begin() + 4, table.header.end(), "科目"));
  table.frozen_columns = 3;
  auto choices = std::make_shared<std::vector<WrongChoice>>(WrongChoices(content.subjects));
  table.rows = choices->size();
  table.row = [&content, choices](size_t row) {
    const WrongChoice& c = (*choices)[row];
    const SubjectFigures& f = content.subjects[c.subject];
    const QuestionFigures& q = f.questions[c.question];
    std::vector<TableCell> cells = {
        TableCell::Text(f.subject), TableCell::Count(static_cast<size_t>(std::max(q.number, 0))),
        TableCell::Text(q.options[c.option].letter), TableCell::Text(q.standard_answer)};
    if (q.number < 0) cells[1] = TableCell::Text(std::to_string(q.number));
    const StudentRecord& r = content.students[content.order[c.row]].record;
    cells.push_back(TableCell::Text(r.student_id));
    cells.push_back(TableCell::Text(r.student_name));
    if (content.with_class) cells.push_back(TableCell::Text(r.class_name));
    return cells;
  };
  return table;
}

}  // namespace generatesheet::cli
