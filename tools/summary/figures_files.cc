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

// The students who chose each wrong option, in the order of their places
// in the dump of the figures: their lists are the larger part of the
// figures, so each is made and dumped on its own, into its place.
using ChosenBy = std::vector<const std::vector<size_t>*>;

// Where a wrong option's students go: its key and the list's number in
// ChosenBy.  Within a string a quote is escaped, so this text is only ever
// the key.
constexpr std::string_view kChosenByHole = "\"chosen_by\": ";

// A response's figures; a wrong option's with the students who chose it.
json OptionJson(const OptionFigures& o, bool option, ChosenBy& chosen_by) {
  json response = {{"letter", o.letter},
                   {"key", o.key},
                   {"count", o.count},
                   {"share", o.share},
                   {"upper", Value(o.upper)},
                   {"lower", Value(o.lower)},
                   {"point_biserial", Value(o.point_biserial)}};
  if (option && !o.key) {
    response["chosen_by"] = chosen_by.size();
    chosen_by.push_back(&o.chosen_by);
  }
  return response;
}

json QuestionJson(const QuestionFigures& q, ChosenBy& chosen_by) {
  json options = json::array();
  for (const OptionFigures& o : q.options) options.push_back(OptionJson(o, true, chosen_by));
  // The larger parts moved in after: an initializer list copies each value.
  json question = {{"number", q.number},
                   {"family", FamilyName(q.family)},
                   {"choice", q.choice},
                   {"full", q.full},
                   {"standard_answer", q.standard_answer},
                   {"text", q.text},
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
  if (q.choice) question["blank"] = OptionJson(q.blank, false, chosen_by);
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
json SubjectJson(const SubjectFigures& f, ChosenBy& chosen_by, const JsonExtras& extras) {
  json questions = json::array(), numbers = json::array();
  for (const QuestionFigures& q : f.questions) {
    questions.push_back(QuestionJson(q, chosen_by));
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

// `text`, a dump made at depth 0, as it is at the depth of `pad`: every
// line after the first moved in (a string in a dump holds no line break).
void PutIndented(const ContentSink& put, std::string_view text, std::string_view pad) {
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string_view::npos; start = end + 1) {
    put(text.substr(start, end + 1 - start));
    put(pad);
  }
  put(text.substr(start));
}

// The students of `f` as the array that takes the hole's place: each
// student's tree made and dumped on its own, so the whole class's tree
// never exists at once.
void PutStudents(const ContentSink& put, const SubjectFigures& f, const RecordOfRow& record_of,
                 const JsonExtras& extras) {
  put("\"students\": ");
  if (f.students.empty()) {
    put("[]");
    return;
  }
  const std::string pad(kStudentDepth * kIndent, ' ');
  put("[\n");
  for (size_t i = 0; i < f.students.size(); ++i) {
    const StudentFigures& s = f.students[i];
    json student = StudentJson(s, record_of(s.row));
    if (extras.student) extras.student(s, student);
    put(pad);
    PutIndented(put, student.dump(kIndent), pad);
    put(i + 1 < f.students.size() ? ",\n" : "\n");
  }
  put(std::string((kStudentDepth - 1) * kIndent, ' ') + "]");
}

// The list of those who chose a wrong option, at the hole's depth: the
// blanks before its key.
void PutChosenBy(const ContentSink& put, const std::vector<size_t>& rows,
                 const RecordOfRow& record_of, std::string_view pad) {
  json students = json::array();
  for (const size_t row : rows) {
    const StudentRecord& r = record_of(row);
    students.push_back({{"student_id", r.student_id}, {"student_name", r.student_name}});
  }
  put(kChosenByHole);
  PutIndented(put, students.dump(kIndent), pad);
}

// The dump of every figure but the students' and the options' choosers,
// each left as a hole; the tree is gone once its text is made.
std::string Skeleton(const std::vector<SubjectFigures>& figures, ChosenBy& chosen_by,
                     const JsonExtras& extras) {
  json root = extras.top.is_object() ? extras.top : json::object();
  json& subjects = root["subjects"] = json::array();
  for (const SubjectFigures& f : figures) subjects.push_back(SubjectJson(f, chosen_by, extras));
  return root.dump(kIndent);
}

}  // namespace

void WriteSummaryJson(const ContentSink& put, const std::vector<SubjectFigures>& figures,
                      const RecordOfRow& record_of, const JsonExtras& extras) {
  ChosenBy chosen_by;
  const std::string text = Skeleton(figures, chosen_by, extras);
  const std::string_view skeleton = text;
  size_t at = 0, subject = 0;
  for (;;) {
    const size_t students = skeleton.find(kStudentsHole, at);
    const size_t option = skeleton.find(kChosenByHole, at);
    const size_t hole = std::min(students, option);
    if (hole == std::string_view::npos) break;
    put(skeleton.substr(at, hole - at));
    if (hole == students) {
      PutStudents(put, figures.at(subject++), record_of, extras);
      at = hole + kStudentsHole.size();
      continue;
    }
    const size_t number = hole + kChosenByHole.size();
    const size_t end = skeleton.find_first_not_of("0123456789", number);
    const size_t line = skeleton.rfind('\n', hole);
    const std::string_view pad = skeleton.substr(line + 1, hole - line - 1);
    PutChosenBy(put, *chosen_by.at(std::stoul(std::string(skeleton.substr(number, end - number)))),
                record_of, pad);
    at = end;
  }
  put(skeleton.substr(at));
  put("\n");
}

std::string SummaryJson(const std::vector<SubjectFigures>& figures, const RecordOfRow& record_of,
                        const JsonExtras& extras) {
  std::string out;
  WriteSummaryJson([&](std::string_view piece) { out += piece; }, figures, record_of, extras);
  return out;
}

}  // namespace generatesheet::cli
