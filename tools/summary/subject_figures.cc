#include "tools/summary/subject_figures.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <numeric>

#include "tools/summary/item_analysis.h"

namespace generatesheet::cli {

namespace {

constexpr float kNone = std::numeric_limits<float>::quiet_NaN();
constexpr double kGroupShare = 0.27;

// A score already checked as a decimal number, read in the "C" form.
std::optional<double> Number(const std::string& text) {
  if (text.empty()) return std::nullopt;
  double value = 0;
  const char* begin = text.data() + (text.starts_with('+') ? 1 : 0);
  const auto [end, ec] = std::from_chars(begin, text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

double Mean(const std::vector<double>& x) {
  return std::accumulate(x.begin(), x.end(), 0.0) / static_cast<double>(x.size());
}

// Variance with n − 1 in the denominator; none below two values.
std::optional<double> SampleVariance(const std::vector<double>& x) {
  if (x.size() < 2) return std::nullopt;
  const double m = Mean(x);
  double squares = 0;
  for (double v : x) squares += (v - m) * (v - m);
  return squares / static_cast<double>(x.size() - 1);
}

std::optional<double> Correlation(const std::vector<double>& x, const std::vector<double>& y) {
  if (x.size() < 2) return std::nullopt;
  const double mx = Mean(x), my = Mean(y);
  double sxy = 0, sxx = 0, syy = 0;
  for (size_t i = 0; i < x.size(); ++i) {
    sxy += (x[i] - mx) * (y[i] - my);
    sxx += (x[i] - mx) * (x[i] - mx);
    syy += (y[i] - my) * (y[i] - my);
  }
  if (sxx <= 0 || syy <= 0) return std::nullopt;
  return sxy / std::sqrt(sxx * syy);
}

// k/(k−1)·(1 − Σ item variances / total variance); none for fewer than two
// questions or students, or totals without spread.
std::optional<double> Alpha(size_t k, double item_variances, std::optional<double> total_variance) {
  if (k < 2 || !total_variance || *total_variance <= 0) return std::nullopt;
  const double kd = static_cast<double>(k);
  return kd / (kd - 1) * (1 - item_variances / *total_variance);
}

void Describe(std::vector<double> totals, SubjectFigures& f) {
  f.count = totals.size();
  if (totals.empty()) return;
  std::sort(totals.begin(), totals.end());
  const double n = static_cast<double>(totals.size());
  const double mean = Mean(totals);
  const size_t mid = totals.size() / 2;
  f.mean = mean;
  f.median = totals.size() % 2 == 1 ? totals[mid] : (totals[mid - 1] + totals[mid]) / 2;
  f.min = totals.front();
  f.max = totals.back();
  double m2 = 0;
  for (double x : totals) m2 += (x - mean) * (x - mean);
  f.population_sd = std::sqrt(m2 / n);
  if (totals.size() < 2 || m2 <= 0) return;
  const double s = std::sqrt(m2 / (n - 1));
  f.sd = s;
  double z3 = 0, z4 = 0;
  for (double x : totals) {
    const double z = (x - mean) / s;
    z3 += z * z * z;
    z4 += z * z * z * z;
  }
  if (totals.size() >= 3) f.skewness = n / ((n - 1) * (n - 2)) * z3;
  if (totals.size() >= 4) {
    f.kurtosis = n * (n + 1) / ((n - 1) * (n - 2) * (n - 3)) * z4 -
                 3 * (n - 1) * (n - 1) / ((n - 2) * (n - 3));
  }
}

// Rank (1 + students above) and percentile rank (below, and half of the
// ties including the student, over n) among the known totals.
void RankStudents(SubjectFigures& f) {
  std::vector<double> totals;
  for (const StudentFigures& s : f.students) {
    if (s.total) totals.push_back(*s.total);
  }
  std::sort(totals.begin(), totals.end());
  const double n = static_cast<double>(totals.size());
  for (StudentFigures& s : f.students) {
    if (!s.total) continue;
    const auto low = std::lower_bound(totals.begin(), totals.end(), *s.total);
    const auto high = std::upper_bound(totals.begin(), totals.end(), *s.total);
    s.rank = static_cast<size_t>(totals.end() - high) + 1;
    s.percentile =
        100 * (static_cast<double>(low - totals.begin()) + 0.5 * static_cast<double>(high - low)) /
        n;
  }
}

void Flag(QuestionFigures& q, bool key_outdrawn) {
  if (q.item_rest && *q.item_rest < 0) {
    q.flags.push_back(kFlagNegative);
  } else if (q.item_rest && *q.item_rest < kLowDiscrimination) {
    q.flags.push_back(kFlagLow);
  }
  if (key_outdrawn) q.flags.push_back(kFlagKey);
  if (q.facility && *q.facility < kHardBelow) q.flags.push_back(kFlagHard);
  if (q.facility && *q.facility > kEasyAbove) q.flags.push_back(kFlagEasy);
  if (q.students > 0 && q.answered == 0) q.flags.push_back(kFlagNobody);
}

}  // namespace

void SubjectFiguresBuilder::Add(size_t row, const StudentRecord& record) {
  auto subject = std::find_if(subjects_.begin(), subjects_.end(),
                              [&](const Subject& s) { return s.name == record.subject; });
  if (subject == subjects_.end()) {
    subjects_.push_back({record.subject, {}, {}, {}});
    subject = subjects_.end() - 1;
  }
  Row r;
  r.row = row;
  r.total = Number(StudentScore(record));
  for (const QuestionResult& q : record.results) {
    auto [at, added] = subject->columns_by_number.emplace(q.number, subject->columns.size());
    if (added) {
      Column c;
      c.question.number = q.number;
      c.question.family = q.family;
      c.question.choice = q.choice;
      c.question.full = q.full;
      c.question.standard_answer = q.standard_answer;
      const std::optional<double> full = Number(q.full);
      c.full_known = full.has_value();
      c.full = full.value_or(0);
      subject->columns.push_back(c);
    }
    Column& c = subject->columns[at->second];
    const size_t i = at->second;
    if (r.scores.size() <= i) {
      r.scores.resize(i + 1, kNone);
      r.choices.resize(i + 1, 0);
    }
    ++c.question.students;
    const std::optional<double> obtained = Number(q.obtained);
    if (obtained) {
      r.scores[i] = static_cast<float>(*obtained);
    } else {
      c.unknown_seen = true;
    }
    for (const std::string& letter : q.options) {
      if (std::find(c.letters.begin(), c.letters.end(), letter) == c.letters.end()) {
        c.letters.push_back(letter);
      }
    }
    if (q.student_answered) {
      ++c.question.answered;
      if (q.choice) {
        auto at_letter = std::find(c.letters.begin(), c.letters.end(), q.student_answer);
        if (at_letter == c.letters.end()) {
          c.letters.push_back(q.student_answer);
          at_letter = c.letters.end() - 1;
        }
        const size_t code = static_cast<size_t>(at_letter - c.letters.begin()) + 1;
        r.choices[i] = static_cast<uint16_t>(std::min<size_t>(code, UINT16_MAX));
      }
    }
    r.right += q.verdict == Verdict::kCorrect;
    r.partial += q.verdict == Verdict::kPartial;
    r.wrong += q.verdict == Verdict::kWrong;
    r.unanswered += q.verdict == Verdict::kUnanswered;
  }
  subject->rows.push_back(std::move(r));
}

std::vector<SubjectFigures> SubjectFiguresBuilder::Figures() const {
  std::vector<SubjectFigures> figures;
  for (const Subject& s : subjects_) figures.push_back(Compute(s));
  return figures;
}

SubjectFigures SubjectFiguresBuilder::Compute(const Subject& s) {
  SubjectFigures f;
  f.subject = s.name;
  const size_t k = s.columns.size();
  const auto score = [](const Row& r, size_t i) {
    return i < r.scores.size() ? static_cast<double>(r.scores[i]) : std::nan("");
  };

  std::vector<double> totals;
  std::vector<const Row*> complete;  // known total, every question scored
  for (const Row& r : s.rows) {
    StudentFigures student{r.row,     r.total, {},           {},      r.right,
                           r.partial, r.wrong, r.unanswered, r.scores};
    student.scores.resize(k, kNone);
    f.students.push_back(std::move(student));
    if (!r.total) continue;
    totals.push_back(*r.total);
    bool all = true;
    for (size_t i = 0; i < k; ++i) all = all && std::isfinite(score(r, i));
    if (all) complete.push_back(&r);
  }
  Describe(totals, f);
  RankStudents(f);
  f.complete = complete.size();

  // The matrix of the complete rows, and their totals as its row sums.
  const auto item_of = [&](size_t i) {
    std::vector<double> x;
    for (const Row* r : complete) x.push_back(score(*r, i));
    return x;
  };
  std::vector<double> sums(complete.size(), 0);
  std::vector<double> item_variance(k, 0);
  f.kr20 = k > 0 && !complete.empty();
  for (size_t i = 0; i < k; ++i) {
    const std::vector<double> x = item_of(i);
    for (size_t j = 0; j < x.size(); ++j) {
      sums[j] += x[j];
      f.kr20 = f.kr20 && (x[j] == 0 || x[j] == s.columns[i].full);
    }
    item_variance[i] = SampleVariance(x).value_or(0);
  }
  const double all_items = std::accumulate(item_variance.begin(), item_variance.end(), 0.0);
  const std::optional<double> total_variance = SampleVariance(sums);
  f.alpha = Alpha(k, all_items, total_variance);
  if (!f.alpha) f.kr20 = false;
  if (f.alpha && total_variance) f.sem = std::sqrt(*total_variance) * std::sqrt(1 - *f.alpha);

  // Upper and lower groups: 27% of the complete rows (half up, at least one
  // of two or more), by total; of equal totals the one added first is
  // higher, so the groups never overlap.
  const size_t m = complete.size();
  f.group = m < 2 ? 0 : std::max<size_t>(1, static_cast<size_t>(kGroupShare * m + 0.5));
  std::vector<size_t> order(m);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return sums[a] > sums[b]; });
  const std::vector<size_t> upper(order.begin(), order.begin() + f.group);
  const std::vector<size_t> lower(order.end() - f.group, order.end());

  for (size_t i = 0; i < k; ++i) {
    const Column& c = s.columns[i];
    QuestionFigures q = c.question;
    double obtained = 0, full = 0;
    std::vector<double> own, rest;
    for (const Row& r : s.rows) {
      const double x = score(r, i);
      if (!std::isfinite(x)) continue;
      obtained += x;
      full += c.full;
      if (r.total) {
        own.push_back(x);
        rest.push_back(*r.total - x);
      }
    }
    if (!c.unknown_seen && c.full_known && full > 0) q.facility = obtained / full;
    q.item_rest = Correlation(own, rest);

    const std::vector<double> x = item_of(i);
    const auto group_mean = [&](const std::vector<size_t>& group) {
      double sum = 0;
      for (size_t j : group) sum += x[j];
      return sum / static_cast<double>(group.size());
    };
    if (f.group > 0 && c.full_known && c.full > 0) {
      q.upper_lower = (group_mean(upper) - group_mean(lower)) / c.full;
    }
    std::vector<double> rest_of_complete(m);
    for (size_t j = 0; j < m; ++j) rest_of_complete[j] = sums[j] - x[j];
    q.alpha_if_deleted =
        Alpha(k - 1, all_items - item_variance[i], SampleVariance(rest_of_complete));

    bool key_outdrawn = false;
    if (q.choice) {
      std::vector<size_t> chosen(c.letters.size() + 1, 0);
      for (const Row& r : s.rows) {
        if (i < r.choices.size()) ++chosen[r.choices[i]];
      }
      const auto in_group = [&](const std::vector<size_t>& group, size_t code) {
        size_t n = 0;
        for (size_t j : group)
          n += i < complete[j]->choices.size() && complete[j]->choices[i] == code;
        return n;
      };
      const auto key = std::find(c.letters.begin(), c.letters.end(), q.standard_answer);
      const size_t key_code =
          key == c.letters.end() ? 0 : static_cast<size_t>(key - c.letters.begin()) + 1;
      for (size_t code = 1; code <= c.letters.size(); ++code) {
        OptionFigures o;
        o.letter = c.letters[code - 1];
        o.key = code == key_code;
        o.share = static_cast<double>(chosen[code]) / static_cast<double>(q.students);
        if (f.group > 0) {
          const double g = static_cast<double>(f.group);
          o.upper = static_cast<double>(in_group(upper, code)) / g;
          o.lower = static_cast<double>(in_group(lower, code)) / g;
          if (key_code > 0 && !o.key && in_group(upper, code) > in_group(upper, key_code)) {
            key_outdrawn = true;
          }
        }
        std::vector<double> picked(m);
        for (size_t j = 0; j < m; ++j) picked[j] = complete[j]->choices[i] == code ? 1 : 0;
        o.point_biserial = Correlation(picked, rest_of_complete);
        q.options.push_back(o);
      }
    }
    Flag(q, key_outdrawn);
    f.questions.push_back(std::move(q));
  }
  std::sort(f.questions.begin(), f.questions.end(),
            [](const QuestionFigures& a, const QuestionFigures& b) { return a.number < b.number; });
  // The students' scores follow the questions' order.
  std::vector<size_t> by_number;
  for (const auto& [number, column] : s.columns_by_number) by_number.push_back(column);
  for (StudentFigures& student : f.students) {
    std::vector<float> ordered;
    for (size_t column : by_number) ordered.push_back(student.scores[column]);
    student.scores = std::move(ordered);
  }
  return f;
}

}  // namespace generatesheet::cli
