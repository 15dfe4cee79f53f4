#include "tools/summary/figures_files.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string_view>

#include "tools/summary/csv_writer.h"

namespace generatesheet::cli {

namespace {

using nlohmann::json;

json Value(const std::optional<double>& v) { return v ? json(*v) : json(nullptr); }

std::string Fixed(const std::optional<double>& v, int digits) {
  if (!v) return "";
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", digits, *v);
  return text;
}

// A score of the matrix: floats hold the library's short decimals to six
// significant digits, which "%g" gives back.
std::string Score(float v) {
  if (!std::isfinite(v)) return "";
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(v));
  return text;
}

json ScoreValue(float v) { return std::isfinite(v) ? json(static_cast<double>(v)) : json(nullptr); }

json OptionJson(const OptionFigures& o) {
  return {{"letter", o.letter},      {"key", o.key},
          {"share", o.share},        {"upper", Value(o.upper)},
          {"lower", Value(o.lower)}, {"point_biserial", Value(o.point_biserial)}};
}

json QuestionJson(const QuestionFigures& q) {
  json options = json::array();
  for (const OptionFigures& o : q.options) options.push_back(OptionJson(o));
  return {{"number", q.number},
          {"family", FamilyName(q.family)},
          {"choice", q.choice},
          {"full", q.full},
          {"standard_answer", q.standard_answer},
          {"students", q.students},
          {"answered", q.answered},
          {"facility", Value(q.facility)},
          {"item_rest", Value(q.item_rest)},
          {"upper_lower", Value(q.upper_lower)},
          {"alpha_if_deleted", Value(q.alpha_if_deleted)},
          {"options", options},
          {"flags", q.flags}};
}

json StudentJson(const StudentFigures& s, const StudentRecord& record) {
  json scores = json::array();
  for (float v : s.scores) scores.push_back(ScoreValue(v));
  return {{"row", s.row},
          {"student_id", record.student_id},
          {"student_name", record.student_name},
          {"total", Value(s.total)},
          {"rank", s.rank ? json(*s.rank) : json(nullptr)},
          {"percentile", Value(s.percentile)},
          {"right", s.right},
          {"partial", s.partial},
          {"wrong", s.wrong},
          {"unanswered", s.unanswered},
          {"scores", scores}};
}

// A subject's figures but its students, which SummaryJson adds one by one.
json SubjectJson(const SubjectFigures& f, const JsonExtras& extras) {
  json questions = json::array(), numbers = json::array();
  for (const QuestionFigures& q : f.questions) {
    questions.push_back(QuestionJson(q));
    numbers.push_back(q.number);
  }
  json subject = {{"subject", f.subject},
                  {"count", f.count},
                  {"complete", f.complete},
                  {"group", f.group},
                  {"mean", Value(f.mean)},
                  {"median", Value(f.median)},
                  {"min", Value(f.min)},
                  {"max", Value(f.max)},
                  {"sd", Value(f.sd)},
                  {"population_sd", Value(f.population_sd)},
                  {"skewness", Value(f.skewness)},
                  {"kurtosis", Value(f.kurtosis)},
                  {"alpha", Value(f.alpha)},
                  {"kr20", f.kr20},
                  {"sem", Value(f.sem)},
                  {"questions", questions},
                  {"score_columns", numbers},
                  {"students", json::array()}};
  if (extras.subject) extras.subject(f, subject);
  return subject;
}

constexpr int kIndent = 1;
// Where a subject's students go in the dump of the subjects without them,
// and how deep: a quote within a string is escaped, so the text occurs only
// as the key (a question's "students" is a number).
constexpr std::string_view kStudentsHole = "\"students\": []";
constexpr size_t kStudentDepth = 4;  // {"subjects": [{"students": [HERE

// The students of `f` as the array that takes the hole's place: each
// student's tree made and dumped on its own, moved in to its depth (a
// string in the dump holds no line break), so the whole class's tree never
// exists at once.
void AppendStudents(std::string& out, const SubjectFigures& f, const RecordOfRow& record_of,
                    const JsonExtras& extras) {
  out += "\"students\": ";
  if (f.students.empty()) {
    out += "[]";
    return;
  }
  const std::string pad(kStudentDepth * kIndent, ' ');
  out += "[\n";
  for (size_t i = 0; i < f.students.size(); ++i) {
    const StudentFigures& s = f.students[i];
    json student = StudentJson(s, record_of(s.row));
    if (extras.student) extras.student(s, student);
    const std::string text = student.dump(kIndent);
    out += pad;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
      out.append(text, start, end + 1 - start);
      out += pad;
    }
    out.append(text, start);
    out += i + 1 < f.students.size() ? ",\n" : "\n";
  }
  out += std::string((kStudentDepth - 1) * kIndent, ' ') + "]";
}

}  // namespace

std::string SummaryJson(const std::vector<SubjectFigures>& figures, const RecordOfRow& record_of,
                        const JsonExtras& extras) {
  json subjects = json::array();
  for (const SubjectFigures& f : figures) subjects.push_back(SubjectJson(f, extras));
  const std::string skeleton = json({{"subjects", subjects}}).dump(kIndent);
  std::string out;
  size_t at = 0;
  for (const SubjectFigures& f : figures) {
    const size_t hole = skeleton.find(kStudentsHole, at);
    out.append(skeleton, at, hole - at);
    AppendStudents(out, f, record_of, extras);
    at = hole + kStudentsHole.size();
  }
  out.append(skeleton, at);
  out += "\n";
  return out;
}

std::string ScoresCsv(const std::vector<SubjectFigures>& figures, size_t rows,
                      const RecordOfRow& record_of, bool with_class) {
  std::vector<std::string> header = {"学号", "姓名", "科目"};
  if (with_class) header.insert(header.begin() + 2, "班级");
  // Each row's scores and the columns of the subjects before its own; a
  // row's cells are made as it is written, so the matrix is never held as
  // text.
  std::vector<const StudentFigures*> scores_of(rows, nullptr);
  std::vector<size_t> before_of(rows, 0);
  size_t before = 0;
  for (const SubjectFigures& f : figures) {
    for (const QuestionFigures& q : f.questions) {
      header.push_back(f.subject + " 第" + std::to_string(q.number) + "题");
    }
    for (const StudentFigures& s : f.students) {
      scores_of[s.row] = &s;
      before_of[s.row] = before;
    }
    before += f.questions.size();
  }
  const size_t first = header.size() - before;  // the columns naming the student
  std::string csv = kBom + CsvLine(header);
  std::vector<std::string> line;
  for (size_t row = 0; row < rows; ++row) {
    const StudentRecord& r = record_of(row);
    line = {r.student_id, r.student_name, r.subject};
    if (with_class) line.insert(line.begin() + 2, r.class_name);
    if (scores_of[row] != nullptr) {
      line.resize(first + before_of[row]);
      for (float v : scores_of[row]->scores) line.push_back(Score(v));
    }
    line.resize(first + before);
    csv += CsvLine(line);
  }
  return csv;
}

std::vector<std::string> StudentColumnsHeader() {
  return {"名次", "百分位", "答对", "部分正确", "答错", "未作答"};
}

std::vector<std::vector<std::string>> StudentColumns(const std::vector<SubjectFigures>& figures,
                                                     size_t rows) {
  std::vector<std::vector<std::string>> cells(rows, std::vector<std::string>(6));
  for (const SubjectFigures& f : figures) {
    for (const StudentFigures& s : f.students) {
      cells[s.row] = {s.rank ? std::to_string(*s.rank) : "",
                      Fixed(s.percentile, 2),
                      std::to_string(s.right),
                      std::to_string(s.partial),
                      std::to_string(s.wrong),
                      std::to_string(s.unanswered)};
    }
  }
  return cells;
}

ItemColumns::ItemColumns(const std::vector<SubjectFigures>& figures) : figures_(figures) {
  for (const SubjectFigures& f : figures) {
    for (const QuestionFigures& q : f.questions) {
      for (const OptionFigures& o : q.options) letters_.push_back(o.letter);
    }
  }
  std::sort(letters_.begin(), letters_.end());
  letters_.erase(std::unique(letters_.begin(), letters_.end()), letters_.end());
}

std::vector<std::string> ItemColumns::Header() const {
  std::vector<std::string> header;
  for (const std::string& l : letters_) header.push_back("选项" + l);
  header.insert(header.end(), {"高低分组区分度", "删除后信度"});
  for (const std::string& l : letters_) {
    header.insert(header.end(),
                  {"选项" + l + "高分组", "选项" + l + "低分组", "选项" + l + "点二列相关"});
  }
  header.push_back("提示");
  return header;
}

std::vector<std::string> ItemColumns::Cells(const std::string& subject, int number) const {
  const QuestionFigures* question = nullptr;
  for (const SubjectFigures& f : figures_) {
    if (f.subject != subject) continue;
    for (const QuestionFigures& q : f.questions) {
      if (q.number == number) question = &q;
    }
  }
  std::vector<std::string> cells;
  if (!question) return std::vector<std::string>(Header().size());
  const auto option = [&](const std::string& letter) -> const OptionFigures* {
    for (const OptionFigures& o : question->options) {
      if (o.letter == letter) return &o;
    }
    return nullptr;
  };
  for (const std::string& l : letters_) {
    cells.push_back(option(l) ? Fixed(option(l)->share, 4) : "");
  }
  cells.push_back(Fixed(question->upper_lower, 4));
  cells.push_back(Fixed(question->alpha_if_deleted, 4));
  for (const std::string& l : letters_) {
    const OptionFigures* o = option(l);
    cells.push_back(o ? Fixed(o->upper, 4) : "");
    cells.push_back(o ? Fixed(o->lower, 4) : "");
    cells.push_back(o ? Fixed(o->point_biserial, 4) : "");
  }
  std::string flags;
  for (const std::string& flag : question->flags) flags += (flags.empty() ? "" : "；") + flag;
  cells.push_back(flags);
  return cells;
}

}  // namespace generatesheet::cli
