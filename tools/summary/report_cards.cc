#include "tools/summary/report_cards.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <tuple>

#include "tools/summary/student_score.h"
#include "tools/summary/summary_words.h"

namespace generatesheet::cli {

namespace {

// Sums of each section's subtotals and how many students they count.
struct SectionSums {
  std::vector<double> sum;
  std::vector<size_t> count;

  void Add(const std::vector<std::string>& subtotals) {
    sum.resize(std::max(sum.size(), subtotals.size()), 0);
    count.resize(sum.size(), 0);
    for (size_t i = 0; i < subtotals.size(); ++i) {
      const std::optional<double> value = DecimalValue(subtotals[i]);
      if (!value) continue;
      sum[i] += *value;
      ++count[i];
    }
  }
  std::optional<double> Mean(size_t i) const {
    if (i >= count.size() || count[i] == 0) return std::nullopt;
    return sum[i] / static_cast<double>(count[i]);
  }
};

// The section means of the students the figures count, per subject for the
// year and per (subject, class).
struct SectionMeans {
  std::map<std::string, SectionSums> year;
  std::map<std::pair<std::string, std::string>, SectionSums> classes;
};

SectionMeans MeansOf(const SummaryContent& content,
                     const std::vector<const StudentFigures*>& by_row) {
  SectionMeans means;
  for (size_t row = 0; row < content.order.size(); ++row) {
    const StudentFigures* figures = by_row[row];
    if (figures == nullptr || !figures->total) continue;
    const size_t index = content.order[row];
    const StudentRecord& r = content.students[index].record;
    const std::vector<std::string> subtotals = content.sections.Subtotals(index);
    means.year[r.subject].Add(subtotals);
    means.classes[{r.subject, r.class_name}].Add(subtotals);
  }
  return means;
}

const SubjectFigures* SubjectOf(const std::vector<SubjectFigures>& subjects,
                                const std::string& name) {
  for (const SubjectFigures& f : subjects) {
    if (f.subject == name) return &f;
  }
  return nullptr;
}

// The student's place in the class: the rank the class's own figures give.
std::optional<Place> ClassPlace(const SummaryContent& content, const std::string& subject,
                                const std::string& class_name, size_t row) {
  for (const SubjectClasses& s : content.classes) {
    if (s.subject != subject) continue;
    for (const ClassFigures& c : s.classes) {
      if (c.name != class_name) continue;
      for (const StudentFigures& student : c.figures.students) {
        if (student.row == row && student.rank) return Place{*student.rank, c.figures.count};
      }
    }
  }
  return std::nullopt;
}

std::vector<CardSection> Sections(const SummaryContent& content, const SectionMeans& means,
                                  size_t index) {
  const StudentRecord& r = content.students[index].record;
  const std::vector<std::string> headings = content.sections.Sections(r.subject);
  const std::vector<double> fulls = content.sections.Fulls(r.subject);
  const std::vector<std::string> own = content.sections.Subtotals(index);
  if (own.empty()) return {};
  const auto year = means.year.find(r.subject);
  const auto mates = means.classes.find({r.subject, r.class_name});
  std::vector<CardSection> sections;
  for (size_t i = 0; i < headings.size(); ++i) {
    CardSection s{headings[i], i < fulls.size() ? fulls[i] : 0, std::nullopt, std::nullopt,
                  std::nullopt};
    if (i < own.size()) s.own = DecimalValue(own[i]);
    if (year != means.year.end()) s.year_mean = year->second.Mean(i);
    if (mates != means.classes.end()) s.class_mean = mates->second.Mean(i);
    sections.push_back(s);
  }
  return sections;
}

// The questions the student lost the most points on, most first, then by
// number; only questions with points lost.
std::vector<LostQuestion> Lost(const SubjectFigures& subject, const StudentFigures& student) {
  std::vector<LostQuestion> lost;
  for (size_t q = 0; q < subject.questions.size() && q < student.scores.size(); ++q) {
    const QuestionFigures& question = subject.questions[q];
    const std::optional<double> full = DecimalValue(question.full);
    const double obtained = student.scores[q];
    if (!full || std::isnan(obtained) || obtained >= *full) continue;
    lost.push_back(
        {question.number, FamilyWords(question.family), obtained, *full, question.facility});
  }
  std::stable_sort(lost.begin(), lost.end(), [](const LostQuestion& a, const LostQuestion& b) {
    return std::make_tuple(b.full - b.obtained, a.number) <
           std::make_tuple(a.full - a.obtained, b.number);
  });
  if (lost.size() > kLostListed) lost.resize(kLostListed);
  return lost;
}

ReportCard CardOf(const SummaryContent& content, const SectionMeans& means,
                  const SubjectFigures& subject, const StudentFigures& figures) {
  const size_t index = content.order[figures.row];
  const SummaryStudent& student = content.students[index];
  const StudentRecord& r = student.record;
  ReportCard card;
  card.student_id = r.student_id;
  card.student_name = r.student_name;
  card.subject = r.subject;
  card.class_name = r.class_name;
  card.page = std::filesystem::path(r.page).filename().string();
  card.total = student.score;
  card.full = subject.full;
  if (subject.full > 0) card.share = *figures.total / subject.full;
  if (figures.rank) card.year_place = Place{*figures.rank, subject.count};
  if (content.with_class)
    card.class_place = ClassPlace(content, r.subject, r.class_name, figures.row);
  card.percentile = figures.percentile;
  card.sections = Sections(content, means, index);
  card.right = figures.right;
  card.partial = figures.partial;
  card.wrong = figures.wrong;
  card.unanswered = figures.unanswered;
  card.lost = Lost(subject, figures);
  return card;
}

// Why a student gets no card; "" when the student gets one.
std::string NoCardBecause(const SummaryStudent& student, const StudentFigures* figures) {
  switch (WhyLeftOut(student)) {
    case LeftOut::kNotRun:
      return "未生成";
    case LeftOut::kNotWritten:
      return "页面未写出";
    case LeftOut::kUnread:
      return "得分未能全部读出";
    case LeftOut::kCounted:
      break;
  }
  if (!Complete(student)) return "页面有错误";
  if (figures == nullptr || !figures->total) return "得分未能全部读出";
  return "";
}

}  // namespace

ReportCards ReportCardsOf(const SummaryContent& content) {
  const std::vector<const StudentFigures*> by_row =
      FiguresByRow(content.subjects, content.order.size());
  const SectionMeans means = MeansOf(content, by_row);
  ReportCards cards;
  for (size_t row = 0; row < content.order.size(); ++row) {
    const SummaryStudent& student = content.students[content.order[row]];
    const StudentRecord& r = student.record;
    const std::string why = NoCardBecause(student, by_row[row]);
    const SubjectFigures* subject = SubjectOf(content.subjects, r.subject);
    if (!why.empty() || subject == nullptr) {
      std::string message = why.empty() ? "得分未能全部读出" : why;
      if (!r.message.empty()) message += "：" + r.message;
      cards.left_out.push_back({r.student_id, r.student_name, r.subject,
                                std::filesystem::path(r.page).filename().string(), message});
      continue;
    }
    cards.cards.push_back(CardOf(content, means, *subject, *by_row[row]));
  }
  return cards;
}

}  // namespace generatesheet::cli
