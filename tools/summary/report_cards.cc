#include "tools/summary/report_cards.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <tuple>

#include "tools/summary/student_score.h"
#include "tools/summary/summary_words.h"

namespace generatesheet::cli {

namespace {

const SubjectFigures* SubjectOf(const std::vector<SubjectFigures>& subjects,
                                const std::string& name) {
  for (const SubjectFigures& f : subjects) {
    if (f.subject == name) return &f;
  }
  return nullptr;
}

// Each section of the student's subject: the student's subtotal against
// the class's and the year's means, as the summary's section figures give them.
std::vector<CardSection> Sections(const SummaryContent& content, size_t index) {
  const StudentRecord& r = content.students[index].record;
  const std::vector<std::string> headings = content.sections.Sections(r.subject);
  const std::vector<std::string> own = content.sections.Subtotals(index);
  if (own.empty()) return {};
  std::vector<CardSection> sections;
  for (const SectionsOfSubject& subject : content.section_figures) {
    if (subject.subject != r.subject) continue;
    for (const SectionFigures& f : subject.sections) {
      CardSection s{f.label, f.full, std::nullopt, std::nullopt, f.year.mean};
      const auto at = std::find(headings.begin(), headings.end(), f.heading);
      if (at != headings.end() && static_cast<size_t>(at - headings.begin()) < own.size()) {
        s.own = DecimalValue(own[static_cast<size_t>(at - headings.begin())]);
      }
      for (const auto& [name, averages] : f.classes) {
        if (name == r.class_name) s.class_mean = averages.mean;
      }
      sections.push_back(s);
    }
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

ReportCard CardOf(const SummaryContent& content, const SubjectFigures& subject,
                  const StudentFigures& figures) {
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
  card.share = figures.share;
  if (figures.rank) card.year_place = Place{*figures.rank, subject.count};
  if (content.with_class && figures.class_rank) {
    card.class_place = Place{*figures.class_rank, figures.class_count};
  }
  card.percentile = figures.percentile;
  card.t_score = figures.t;
  card.sections = Sections(content, index);
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
    cards.cards.push_back(CardOf(content, *subject, *by_row[row]));
  }
  return cards;
}

}  // namespace generatesheet::cli
