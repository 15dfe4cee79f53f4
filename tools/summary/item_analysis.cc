#include "tools/summary/item_analysis.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <numeric>

#include "util/error.h"
#include "util/score_total.h"

namespace generatesheet::cli {

namespace {

// A score already checked as a decimal number (by the library, or when its
// results file was read), read in the "C" form whatever the locale.
double Number(const std::string& text) {
  double value = 0;
  const char* begin = text.data() + (text.starts_with('+') ? 1 : 0);
  std::from_chars(begin, text.data() + text.size(), value);
  return value;
}

// Exact sum of one kind of score over a student's results; unknown ("")
// when a score is, or when the sum leaves the range it is kept in.
std::string ExactSum(const StudentRecord& record, std::string QuestionResult::*score) {
  if (record.results.empty()) return "";
  ScoreTotal total;
  try {
    for (const QuestionResult& r : record.results) {
      if ((r.*score).empty()) return "";
      total.Add(r.*score, std::to_string(r.number));
    }
  } catch (const Error&) {
    return "";
  }
  return total.ToString();
}

ClassStatistics Describe(std::vector<double> scores) {
  ClassStatistics s;
  s.count = scores.size();
  if (scores.empty()) return s;
  std::sort(scores.begin(), scores.end());
  const double n = static_cast<double>(scores.size());
  s.mean = std::accumulate(scores.begin(), scores.end(), 0.0) / n;
  const size_t mid = scores.size() / 2;
  s.median = scores.size() % 2 == 1 ? scores[mid] : (scores[mid - 1] + scores[mid]) / 2;
  s.min = scores.front();
  s.max = scores.back();
  double squares = 0;
  for (double x : scores) squares += (x - s.mean) * (x - s.mean);
  s.std_dev = std::sqrt(squares / n);
  return s;
}

std::optional<double> Correlation(const std::vector<double>& x, const std::vector<double>& y) {
  const size_t n = x.size();
  if (n < 2) return std::nullopt;
  const double mx = std::accumulate(x.begin(), x.end(), 0.0) / static_cast<double>(n);
  const double my = std::accumulate(y.begin(), y.end(), 0.0) / static_cast<double>(n);
  double sxy = 0, sxx = 0, syy = 0;
  for (size_t i = 0; i < n; ++i) {
    sxy += (x[i] - mx) * (y[i] - my);
    sxx += (x[i] - mx) * (x[i] - mx);
    syy += (y[i] - my) * (y[i] - my);
  }
  if (sxx <= 0 || syy <= 0) return std::nullopt;
  return sxy / std::sqrt(sxx * syy);
}

// One question's answers across the class, gathered before the figures.
struct ItemTally {
  ItemStatistics item;
  std::vector<std::string> letters;  // options in the order first seen
  std::map<std::string, size_t> chosen;
  size_t unanswered = 0;
  double obtained_sum = 0, full_sum = 0;
  bool scores_known = true;
  std::vector<double> own, rest;  // for students with a known total
};

void Tally(const QuestionResult& r, const std::string& total, ItemTally& t) {
  if (t.item.students == 0) {
    t.item.family = r.family;
    t.item.choice = r.choice;
    t.item.full = r.full;
    t.item.correct = r.standard_answer;
  }
  ++t.item.students;
  for (const std::string& letter : r.options) {
    if (std::find(t.letters.begin(), t.letters.end(), letter) == t.letters.end()) {
      t.letters.push_back(letter);
    }
  }
  if (!r.student_answered) {
    ++t.unanswered;
  } else if (r.choice) {
    ++t.chosen[r.student_answer];
    if (std::find(t.letters.begin(), t.letters.end(), r.student_answer) == t.letters.end()) {
      t.letters.push_back(r.student_answer);
    }
  }
  if (r.obtained.empty() || r.full.empty()) {
    t.scores_known = false;
    return;
  }
  t.obtained_sum += Number(r.obtained);
  t.full_sum += Number(r.full);
  if (!total.empty()) {
    t.own.push_back(Number(r.obtained));
    t.rest.push_back(Number(total) - Number(r.obtained));
  }
}

ItemStatistics Finish(const ItemTally& t) {
  ItemStatistics item = t.item;
  const double n = static_cast<double>(item.students);
  item.unanswered = static_cast<double>(t.unanswered) / n;
  item.facility_known = t.scores_known && t.full_sum > 0;
  if (item.facility_known) item.facility = t.obtained_sum / t.full_sum;
  item.discrimination = Correlation(t.own, t.rest);
  if (!item.choice) return item;
  OptionShare* worst = nullptr;
  for (const std::string& letter : t.letters) {
    const auto chosen = t.chosen.find(letter);
    const double count = chosen == t.chosen.end() ? 0 : static_cast<double>(chosen->second);
    OptionShare option{letter, count / n, letter == item.correct, false};
    item.options.push_back(option);
  }
  for (OptionShare& option : item.options) {
    if (!option.correct && option.share > 0 && (!worst || option.share > worst->share)) {
      worst = &option;
    }
  }
  if (worst) worst->worst_distractor = true;
  return item;
}

}  // namespace

std::string StudentScore(const StudentRecord& record) {
  return ExactSum(record, &QuestionResult::obtained);
}

struct ClassAnalyser::Tallies {
  std::vector<SubjectScores> subjects;  // scores and full marks so far
  std::map<std::pair<std::string, int>, ItemTally> items;
};

ClassAnalyser::ClassAnalyser() : tallies_(std::make_unique<Tallies>()) {}
ClassAnalyser::~ClassAnalyser() = default;
ClassAnalyser::ClassAnalyser(ClassAnalyser&&) noexcept = default;
ClassAnalyser& ClassAnalyser::operator=(ClassAnalyser&&) noexcept = default;

void ClassAnalyser::Add(const StudentRecord& record) {
  std::vector<SubjectScores>& subjects = tallies_->subjects;
  auto subject = std::find_if(subjects.begin(), subjects.end(),
                              [&](const SubjectScores& s) { return s.subject == record.subject; });
  if (subject == subjects.end()) {
    subjects.push_back({record.subject, {}, {}});
    subject = subjects.end() - 1;
  }
  const std::string total = StudentScore(record);
  if (!total.empty()) subject->scores.push_back(Number(total));
  const std::string full = ExactSum(record, &QuestionResult::full);
  if (!full.empty()) subject->stats.full = std::max(subject->stats.full, Number(full));
  for (const QuestionResult& r : record.results) {
    ItemTally& t = tallies_->items[{record.subject, r.number}];
    t.item.subject = record.subject;
    t.item.number = r.number;
    Tally(r, total, t);
  }
}

ClassAnalysis ClassAnalyser::Analysis() const {
  ClassAnalysis analysis;
  for (const SubjectScores& s : tallies_->subjects) {
    analysis.subjects.push_back({s.subject, Describe(s.scores), s.scores});
    analysis.subjects.back().stats.full = s.stats.full;
  }
  for (const auto& [key, tally] : tallies_->items) analysis.items.push_back(Finish(tally));
  std::stable_sort(analysis.items.begin(), analysis.items.end(),
                   [](const ItemStatistics& a, const ItemStatistics& b) {
                     if (a.facility_known != b.facility_known) return a.facility_known;
                     return a.facility_known && a.facility < b.facility;
                   });
  return analysis;
}

ClassAnalysis AnalyseClass(const std::vector<StudentRecord>& records) {
  ClassAnalyser analyser;
  for (const StudentRecord& record : records) analyser.Add(record);
  return analyser.Analysis();
}

}  // namespace generatesheet::cli
