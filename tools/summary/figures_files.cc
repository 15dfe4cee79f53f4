#include "tools/summary/figures_files.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string_view>

namespace generatesheet::cli {

namespace {

using nlohmann::json;

json Value(const std::optional<double>& v) { return v ? json(*v) : json(nullptr); }

json ScoreValue(double v) { return std::isfinite(v) ? json(v) : json(nullptr); }

json Count(bool known, int n) { return known ? json(n) : json(nullptr); }

// A response's figures; a wrong option's with the students who chose it.
json OptionJson(const OptionFigures& o, bool option, const RecordOfRow& record_of) {
  json response = {{"letter", o.letter},
                   {"key", o.key},
                   {"count", o.count},
                   {"share", o.share},
                   {"upper", Value(o.upper)},
                   {"lower", Value(o.lower)},
                   {"point_biserial", Value(o.point_biserial)}};
  if (option && !o.key) {
    json students = json::array();
    for (const size_t row : o.chosen_by) {
      const StudentRecord& r = record_of(row);
      students.push_back({{"student_id", r.student_id}, {"student_name", r.student_name}});
    }
    response["chosen_by"] = std::move(students);
  }
  return response;
}

json QuestionJson(const QuestionFigures& q, const RecordOfRow& record_of) {
  json options = json::array();
  for (const OptionFigures& o : q.options) options.push_back(OptionJson(o, true, record_of));
  // The larger parts moved in after: an initializer list copies each value.
  json question = {{"number", q.number},
                   {"family", FamilyName(q.family)},
                   {"choice", q.choice},
                   {"full", q.full},
                   {"standard_answer", q.standard_answer},
                   {"students", q.students},
                   {"answers", q.answers},
                   {"answered", q.answered},
                   {"unanswered", Value(q.unanswered)},
                   {"facility", Value(q.facility)},
                   {"item_rest", Value(q.item_rest)},
                   {"upper_lower", Value(q.upper_lower)},
                   {"alpha_if_deleted", Value(q.alpha_if_deleted)},
                   {"mean", Value(q.mean)},
                   {"sd", Value(q.sd)},
                   {"upper_facility", Value(q.upper_facility)},
                   {"lower_facility", Value(q.lower_facility)},
                   {"options", nullptr},
                   {"blank", nullptr},
                   {"flags", q.flags}};
  question["options"] = std::move(options);
  if (q.choice) question["blank"] = OptionJson(q.blank, false, record_of);
  return question;
}

json StudentJson(const StudentFigures& s, const StudentRecord& record) {
  json scores = json::array();
  for (double v : s.scores) scores.push_back(ScoreValue(v));
  return {{"row", s.row},
          {"student_id", record.student_id},
          {"student_name", record.student_name},
          {"total", Value(s.total)},
          {"rank", s.rank ? json(*s.rank) : json(nullptr)},
          {"percentile", Value(s.percentile)},
          {"share", Value(s.share)},
          {"z", Value(s.z)},
          {"t", Value(s.t)},
          {"counted", s.counted},
          {"right", Count(s.counted, s.right)},
          {"partial", Count(s.counted, s.partial)},
          {"wrong", Count(s.counted, s.wrong)},
          {"unanswered", Count(s.counted, s.unanswered)},
          {"scores", scores}};
}

// A subject's figures but its students, which SummaryJson adds one by one.
json SubjectJson(const SubjectFigures& f, const RecordOfRow& record_of, const JsonExtras& extras) {
  json questions = json::array(), numbers = json::array();
  for (const QuestionFigures& q : f.questions) {
    questions.push_back(QuestionJson(q, record_of));
    numbers.push_back(q.number);
  }
  json subject = {{"subject", f.subject},
                  {"full", f.full},
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
                  {"alpha_low", Value(f.alpha_low)},
                  {"alpha_high", Value(f.alpha_high)},
                  {"q1", Value(f.q1)},
                  {"q3", Value(f.q3)},
                  {"score_rate", Value(f.score_rate)},
                  {"pass_rate", Value(f.pass_rate)},
                  {"excellent_rate", Value(f.excellent_rate)},
                  {"low_rate", Value(f.low_rate)},
                  {"questions", nullptr},
                  {"score_columns", numbers},
                  {"students", json::array()}};
  subject["questions"] = std::move(questions);
  if (extras.subject) extras.subject(f, subject);
  return subject;
}

constexpr int kIndent = 1;
// Where a subject's students go in the dump of the subjects without them,
// and how deep: a quote within a string is escaped, so the text occurs only
// as the key (a question's "students" is a number; an option names its
// students "chosen_by").
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

// The dump of every figure but the students', each subject's students
// left as kStudentsHole; the tree is gone once its text is made.
std::string Skeleton(const std::vector<SubjectFigures>& figures, const RecordOfRow& record_of,
                     const JsonExtras& extras) {
  json root = extras.top.is_object() ? extras.top : json::object();
  json& subjects = root["subjects"] = json::array();
  for (const SubjectFigures& f : figures) subjects.push_back(SubjectJson(f, record_of, extras));
  return root.dump(kIndent);
}

}  // namespace

std::string SummaryJson(const std::vector<SubjectFigures>& figures, const RecordOfRow& record_of,
                        const JsonExtras& extras) {
  const std::string skeleton = Skeleton(figures, record_of, extras);
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

}  // namespace generatesheet::cli
