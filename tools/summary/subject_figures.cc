#include "tools/summary/subject_figures.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <numeric>
#include <tuple>

#include "tools/summary/f_distribution.h"
#include "tools/summary/student_score.h"

namespace generatesheet::cli {

namespace {

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
constexpr double kGroupShare = 0.27;
// The choice code of an answer that could not be read.
constexpr uint16_t kUnread = UINT16_MAX;
// Weighted counts closer than this are equal (the weights are fractions).
constexpr double kSame = 1e-9;

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

// The value at (n − 1)·p of the ascending `sorted`, between two values
// interpolated.
double Quantile(const std::vector<double>& sorted, double p) {
  const double at = p * static_cast<double>(sorted.size() - 1);
  const auto below = static_cast<size_t>(std::floor(at));
  const size_t above = std::min(below + 1, sorted.size() - 1);
  return sorted[below] + (at - static_cast<double>(below)) * (sorted[above] - sorted[below]);
}

void Describe(const std::vector<double>& totals, SubjectFigures& f) {
  f.count = totals.size();
  if (totals.empty()) return;
  const double n = static_cast<double>(totals.size());
  const double mean = Mean(totals);
  const size_t mid = totals.size() / 2;
  f.mean = mean;
  f.median = totals.size() % 2 == 1 ? totals[mid] : (totals[mid - 1] + totals[mid]) / 2;
  f.min = totals.front();
  f.max = totals.back();
  f.q1 = Quantile(totals, 0.25);
  f.q3 = Quantile(totals, 0.75);
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

// Rank (1 + students above: equal totals share a rank, 1, 1, 3) and
// percentile rank (below, and half of the ties including the student, over
// n) among the known totals; the total as a share of full marks, and as a
// standard score against the n − 1 spread (z, and T = 50 + 10z).
void RankStudents(SubjectFigures& f) {
  const std::vector<double>& totals = f.totals;
  const double n = static_cast<double>(totals.size());
  for (StudentFigures& s : f.students) {
    if (!s.total) continue;
    const auto low = std::lower_bound(totals.begin(), totals.end(), *s.total);
    const auto high = std::upper_bound(totals.begin(), totals.end(), *s.total);
    s.rank = static_cast<size_t>(totals.end() - high) + 1;
    s.percentile =
        100 * (static_cast<double>(low - totals.begin()) + 0.5 * static_cast<double>(high - low)) /
        n;
    if (f.full > 0) s.share = *s.total / f.full;
    if (f.sd && f.mean) {
      s.z = (*s.total - *f.mean) / *f.sd;
      s.t = 50 + 10 * *s.z;
    }
  }
}

// The weight of each of `totals` in the group of the `group` highest
// (`upper`) or lowest: 1 beyond the cut; the students whose total is the
// one at the cut share the places left equally.
std::vector<double> GroupWeights(const std::vector<double>& totals, size_t group, bool upper) {
  std::vector<double> weights(totals.size(), 0);
  if (group == 0) return weights;
  std::vector<double> sorted = totals;
  std::sort(sorted.begin(), sorted.end());
  const double cut = upper ? sorted[sorted.size() - group] : sorted[group - 1];
  const auto beyond = [&](double t) { return upper ? t > cut : t < cut; };
  const auto beyond_count =
      static_cast<size_t>(std::count_if(totals.begin(), totals.end(), beyond));
  const auto tied = static_cast<size_t>(std::count(totals.begin(), totals.end(), cut));
  const double share = static_cast<double>(group - beyond_count) / static_cast<double>(tied);
  for (size_t j = 0; j < totals.size(); ++j) {
    weights[j] = beyond(totals[j]) ? 1 : totals[j] == cut ? share : 0;
  }
  return weights;
}

// "标准答案可能有误" only where the evidence holds together: more of the
// upper group chose a wrong option than the key, and either that option's
// point-biserial is positive and above the key's (or the key's is unknown),
// or the key's is at or below zero.  A distractor that draws the upper
// group while it goes with lower totals than the key is a good distractor,
// not a wrong key.
bool KeyDoubtful(const std::vector<OptionFigures>& options) {
  const auto key =
      std::find_if(options.begin(), options.end(), [](const OptionFigures& o) { return o.key; });
  if (key == options.end() || !key->upper) return false;
  for (const OptionFigures& o : options) {
    if (o.key || !o.upper || *o.upper <= *key->upper + kSame) continue;
    const bool key_weak = key->point_biserial && *key->point_biserial <= 0;
    const bool option_strong = o.point_biserial && *o.point_biserial > 0 &&
                               (!key->point_biserial || *o.point_biserial > *key->point_biserial);
    if (key_weak || option_strong) return true;
  }
  return false;
}

// Every known score of the question the same, over two students or more.
bool AllSame(const QuestionFigures& q) { return q.students >= 2 && q.sd && *q.sd == 0; }

// A wrong option offered that under 5% of the students chose.
bool RareDistractor(const QuestionFigures& q) {
  if (!q.choice || q.answers == 0) return false;
  return std::any_of(q.options.begin(), q.options.end(),
                     [](const OptionFigures& o) { return !o.key && o.share < kRareDistractor; });
}

void Flag(QuestionFigures& q, const std::optional<double>& alpha) {
  if (q.item_rest && *q.item_rest < 0) {
    q.flags.push_back(kFlagNegative);
  } else if (q.item_rest && *q.item_rest < kLowDiscrimination) {
    q.flags.push_back(kFlagLow);
  }
  if (q.choice && KeyDoubtful(q.options)) q.flags.push_back(kFlagKey);
  if (q.facility && *q.facility < kHardBelow) q.flags.push_back(kFlagHard);
  if (q.facility && *q.facility > kEasyAbove) q.flags.push_back(kFlagEasy);
  if (q.answers > 0 && q.answered == 0) q.flags.push_back(kFlagNobody);
  if (alpha && q.alpha_if_deleted && *q.alpha_if_deleted > *alpha) q.flags.push_back(kFlagAlphaUp);
  if (AllSame(q)) q.flags.push_back(kFlagAllSame);
  if (RareDistractor(q)) q.flags.push_back(kFlagRareDistractor);
  if (q.texts_differ) q.flags.push_back(kFlagTextsDiffer);
}

// Feldt's 95% interval of alpha over m students and k questions.
void AlphaInterval(SubjectFigures& f, size_t k) {
  if (!f.alpha || f.complete < 2 || k < 2) return;
  const double d1 = static_cast<double>(f.complete - 1);
  const double d2 = d1 * static_cast<double>(k - 1);
  f.alpha_low = 1 - (1 - *f.alpha) * FQuantile(0.975, d1, d2);
  f.alpha_high = 1 - (1 - *f.alpha) * FQuantile(0.025, d1, d2);
}

// What describes a question, compared so that the same results in any
// order describe it the same way.
auto Description(const QuestionFigures& q) {
  return std::tie(q.full, q.standard_answer, q.family, q.choice);
}

uint16_t LetterIndex(std::vector<std::string>& letters, const std::string& letter) {
  auto at = std::find(letters.begin(), letters.end(), letter);
  if (at == letters.end()) {
    letters.push_back(letter);
    at = letters.end() - 1;
  }
  return static_cast<uint16_t>(
      std::min<size_t>(static_cast<size_t>(at - letters.begin()) + 1, kUnread - 1));
}

// Adds `letter` to a question's options unless it is there.
void AddOption(std::vector<OptionFigures>& options, const std::string& letter) {
  if (std::any_of(options.begin(), options.end(),
                  [&](const OptionFigures& o) { return o.letter == letter; })) {
    return;
  }
  OptionFigures option;
  option.letter = letter;
  options.push_back(std::move(option));
}

// Keeps the smallest non-empty text a result gives the question, and
// whether another differs from it.
void NoteText(QuestionFigures& q, const std::string& text) {
  if (text.empty() || text == q.text) return;
  if (!q.text.empty()) q.texts_differ = true;
  if (q.text.empty() || text < q.text) q.text = text;
}

}  // namespace

bool AnswerKnown(const QuestionResult& result) {
  return result.student_answered || result.verdict == Verdict::kUnanswered;
}

void SubjectFiguresBuilder::Add(size_t row, const StudentRecord& record) {
  auto subject = std::find_if(subjects_.begin(), subjects_.end(),
                              [&](const Subject& s) { return s.name == record.subject; });
  if (subject == subjects_.end()) {
    subjects_.push_back({record.subject, 0, {}, {}, {}, {}});
    subject = subjects_.end() - 1;
  }
  Row r;
  r.row = row;
  r.total = DecimalValue(StudentScore(record));
  // The paper's full marks from the students whose scores are known: a
  // paper that could not be read may be another one.
  const std::optional<double> paper = DecimalValue(FullMarks(record));
  if (paper && r.total) subject->full = std::max(subject->full, *paper);
  for (size_t k = 0; k < record.results.size(); ++k) {
    const std::string* text = k < record.texts.size() ? &record.texts[k] : nullptr;
    AddResult(*subject, record.results[k], text, r);
  }
  subject->rows.push_back(std::move(r));
}

size_t SubjectFiguresBuilder::ColumnOf(Subject& subject, const QuestionResult& q) {
  auto [at, added] = subject.columns_by_number.emplace(q.number, subject.columns.size());
  QuestionFigures description;
  description.number = q.number;
  description.family = q.family;
  description.choice = q.choice;
  description.full = q.full;
  description.standard_answer = q.standard_answer;
  if (added) subject.columns.push_back({});
  Column& c = subject.columns[at->second];
  const bool scored = DecimalValue(q.obtained).has_value() && DecimalValue(q.full).has_value();
  // Described by a result that counts (one read wrongly may lack its
  // full marks or options), the same way whatever the order.
  const bool counts = scored || AnswerKnown(q);
  if (added || (counts && (!c.described || Description(description) < Description(c.question)))) {
    const QuestionFigures tallies = c.question;
    c.question = description;
    c.question.students = tallies.students;
    c.question.answers = tallies.answers;
    c.question.answered = tallies.answered;
    c.question.options = tallies.options;
    c.question.text = tallies.text;
    c.question.texts_differ = tallies.texts_differ;
    const std::optional<double> full = DecimalValue(q.full);
    c.full_known = full.has_value();
    c.full = full.value_or(0);
    c.described = counts;
  }
  return at->second;
}

void SubjectFiguresBuilder::AddResult(Subject& subject, const QuestionResult& q,
                                      const std::string* text, Row& r) {
  const size_t i = ColumnOf(subject, q);
  Column& c = subject.columns[i];
  if (text != nullptr) NoteText(c.question, *text);
  const std::optional<double> obtained = DecimalValue(q.obtained);
  const bool scored = obtained.has_value() && DecimalValue(q.full).has_value();
  if (r.scores.size() <= i) {
    r.scores.resize(i + 1, kNone);
    r.choices.resize(i + 1, kUnread);
  }
  // The letters offered, kept as options (their shares are made later).
  for (const std::string& letter : q.options) {
    LetterIndex(subject.letters, letter);
    AddOption(c.question.options, letter);
  }
  if (scored) {
    r.scores[i] = *obtained;
    ++c.question.students;
  }
  if (AnswerKnown(q)) {
    ++c.question.answers;
    r.choices[i] = 0;
    if (q.student_answered) {
      ++c.question.answered;
      if (q.choice) {
        r.choices[i] = LetterIndex(subject.letters, q.student_answer);
        AddOption(c.question.options, q.student_answer);
      }
    }
  }
  r.counted = r.counted || scored || AnswerKnown(q);
  r.right += q.verdict == Verdict::kCorrect;
  r.partial += q.verdict == Verdict::kPartial;
  r.wrong += q.verdict == Verdict::kWrong;
  r.unanswered += q.verdict == Verdict::kUnanswered;
}

std::vector<SubjectFigures> SubjectFiguresBuilder::Figures(
    const std::vector<size_t>& row_of) const {
  std::vector<SubjectFigures> figures;
  for (const Subject& s : subjects_) figures.push_back(Compute(s, row_of));
  std::sort(figures.begin(), figures.end(),
            [](const SubjectFigures& a, const SubjectFigures& b) { return a.subject < b.subject; });
  return figures;
}

// One subject's results as the figures take them: the columns with
// figures, the rows in the summary's order, and the matrix of the complete
// rows (known total, every question scored) with their upper and lower
// groups.
struct SubjectFiguresBuilder::Matrix {
  Matrix(const Subject& subject, const std::vector<size_t>& row_of);

  size_t Place(const Row* r) const { return r->row < row_of.size() ? row_of[r->row] : r->row; }
  double Score(const Row& r, size_t i) const {
    return columns[i] < r.scores.size() ? r.scores[columns[i]] : kNone;
  }
  uint16_t Choice(const Row& r, size_t i) const {
    return columns[i] < r.choices.size() ? r.choices[columns[i]] : kUnread;
  }
  // Question i's scores of the complete rows.
  std::vector<double> Item(size_t i) const {
    std::vector<double> x;
    for (const Row* r : complete) x.push_back(Score(*r, i));
    return x;
  }
  // The share of a group (its weights) in `value` of the complete rows.
  template <typename Value>
  double GroupShare(const std::vector<double>& weights, const Value& value) const {
    double sum = 0;
    for (size_t j = 0; j < complete.size(); ++j) sum += weights[j] * value(j);
    return sum / static_cast<double>(group);
  }

  void AddStudents(SubjectFigures& f);
  void AddReliability(SubjectFigures& f);
  QuestionFigures Question(size_t i, const SubjectFigures& f) const;
  void AddScores(size_t i, QuestionFigures& q) const;
  void AddResponses(size_t i, QuestionFigures& q,
                    const std::vector<double>& rest_of_complete) const;
  void Respond(size_t i, uint16_t code, size_t answers, const std::vector<double>& rest_of_complete,
               OptionFigures& o) const;

  const Subject& s;
  const std::vector<size_t>& row_of;
  std::vector<size_t> columns;
  size_t k = 0;
  std::vector<const Row*> rows;
  std::vector<const Row*> complete;
  std::vector<double> sums;           // the complete rows' totals
  std::vector<double> item_variance;  // each question's, over the complete rows
  double all_items = 0;               // their sum
  size_t group = 0;
  std::vector<double> upper, lower;  // each complete row's weight in the group
};

// Columns by question number, those no student's score or answer was read
// of left out (they have no figures, and would make no student complete);
// rows by their place in the summary.
SubjectFiguresBuilder::Matrix::Matrix(const Subject& subject, const std::vector<size_t>& order)
    : s(subject), row_of(order) {
  for (const auto& [number, column] : s.columns_by_number) {
    const QuestionFigures& q = s.columns[column].question;
    if (q.students > 0 || q.answers > 0) columns.push_back(column);
  }
  k = columns.size();
  for (const Row& r : s.rows) rows.push_back(&r);
  std::sort(rows.begin(), rows.end(),
            [&](const Row* a, const Row* b) { return Place(a) < Place(b); });
}

void SubjectFiguresBuilder::Matrix::AddStudents(SubjectFigures& f) {
  for (const Row* r : rows) {
    StudentFigures student;
    student.row = Place(r);
    student.counted = r->counted;
    student.total = r->total;
    student.right = r->right;
    student.partial = r->partial;
    student.wrong = r->wrong;
    student.unanswered = r->unanswered;
    for (size_t i = 0; i < k; ++i) student.scores.push_back(Score(*r, i));
    f.students.push_back(std::move(student));
    if (!r->total) continue;
    f.totals.push_back(*r->total);
    bool all = true;
    for (size_t i = 0; i < k; ++i) all = all && std::isfinite(Score(*r, i));
    if (all) complete.push_back(r);
  }
  std::sort(f.totals.begin(), f.totals.end());
  Describe(f.totals, f);
  RankStudents(f);
  f.complete = complete.size();
}

// Alpha (KR-20 when every score is none or full), its interval and the
// SEM, over the matrix of the complete rows, whose totals are its row
// sums; then the upper and lower groups.
void SubjectFiguresBuilder::Matrix::AddReliability(SubjectFigures& f) {
  const size_t m = complete.size();
  sums.assign(m, 0);
  for (size_t j = 0; j < m; ++j) sums[j] = *complete[j]->total;
  item_variance.assign(k, 0);
  f.kr20 = k > 0 && m > 0;
  for (size_t i = 0; i < k; ++i) {
    const std::vector<double> x = Item(i);
    const double full = s.columns[columns[i]].full;
    for (double v : x) f.kr20 = f.kr20 && (v == 0 || v == full);
    item_variance[i] = SampleVariance(x).value_or(0);
  }
  all_items = std::accumulate(item_variance.begin(), item_variance.end(), 0.0);
  const std::optional<double> total_variance = SampleVariance(sums);
  f.alpha = Alpha(k, all_items, total_variance);
  if (!f.alpha) f.kr20 = false;
  if (f.alpha && total_variance) f.sem = std::sqrt(*total_variance) * std::sqrt(1 - *f.alpha);
  AlphaInterval(f, k);

  // Upper and lower groups: 27% of the complete rows (rounded half up, at
  // least one of two or more) by total, equal totals at the cut sharing.
  f.group = m < 2 ? 0 : std::max<size_t>(1, static_cast<size_t>(kGroupShare * m + 0.5));
  group = f.group;
  upper = GroupWeights(sums, f.group, true);
  lower = GroupWeights(sums, f.group, false);
}

QuestionFigures SubjectFiguresBuilder::Matrix::Question(size_t i, const SubjectFigures& f) const {
  const Column& c = s.columns[columns[i]];
  QuestionFigures q = c.question;
  AddScores(i, q);
  const std::vector<double> x = Item(i);
  if (group > 0 && c.full_known && c.full > 0) {
    const auto item = [&](size_t j) { return x[j]; };
    q.upper_facility = GroupShare(upper, item) / c.full;
    q.lower_facility = GroupShare(lower, item) / c.full;
    q.upper_lower = *q.upper_facility - *q.lower_facility;
  }
  std::vector<double> rest_of_complete(complete.size());
  for (size_t j = 0; j < complete.size(); ++j) rest_of_complete[j] = sums[j] - x[j];
  q.alpha_if_deleted = Alpha(k - 1, all_items - item_variance[i], SampleVariance(rest_of_complete));
  AddResponses(i, q, rest_of_complete);
  Flag(q, f.alpha);
  return q;
}

// Facility, the share left blank, item-rest correlation, mean and SD over
// every row whose score of question i is known.
void SubjectFiguresBuilder::Matrix::AddScores(size_t i, QuestionFigures& q) const {
  const Column& c = s.columns[columns[i]];
  double obtained = 0;
  std::vector<double> own, rest, known;
  for (const Row* r : rows) {
    const double x = Score(*r, i);
    if (!std::isfinite(x)) continue;
    obtained += x;
    known.push_back(x);
    if (r->total) {
      own.push_back(x);
      rest.push_back(*r->total - x);
    }
  }
  const double full = c.full * static_cast<double>(q.students);
  if (c.full_known && full > 0) q.facility = obtained / full;
  if (q.answers > 0) {
    q.unanswered = static_cast<double>(q.answers - q.answered) / static_cast<double>(q.answers);
  }
  q.item_rest = Correlation(own, rest);
  if (!known.empty()) q.mean = Mean(known);
  if (const std::optional<double> v = SampleVariance(known)) q.sd = std::sqrt(*v);
}

// Each option's response, the most chosen wrong one marked, and the
// blank's for a choice question.
void SubjectFiguresBuilder::Matrix::AddResponses(
    size_t i, QuestionFigures& q, const std::vector<double>& rest_of_complete) const {
  if (!q.choice) q.options.clear();
  std::sort(q.options.begin(), q.options.end(),
            [](const OptionFigures& a, const OptionFigures& b) { return a.letter < b.letter; });
  OptionFigures* most = nullptr;
  for (OptionFigures& o : q.options) {
    const auto letter = std::find(s.letters.begin(), s.letters.end(), o.letter);
    o.key = o.letter == q.standard_answer;
    Respond(i, static_cast<uint16_t>(letter - s.letters.begin() + 1), q.answers, rest_of_complete,
            o);
    if (!o.key && o.count > 0 && (!most || o.share > most->share)) most = &o;
  }
  if (most) most->most_chosen_wrong = true;
  // An essay's code is 0 answered or not: its blanks are counted in
  // `unanswered` alone.
  q.blank.letter = kBlankResponse;
  if (q.choice) Respond(i, 0, q.answers, rest_of_complete, q.blank);
}

// A response's count, shares and point-biserial: an option's, or (code 0)
// the blank's; the rows of those who chose a wrong option.
void SubjectFiguresBuilder::Matrix::Respond(size_t i, uint16_t code, size_t answers,
                                            const std::vector<double>& rest_of_complete,
                                            OptionFigures& o) const {
  for (const Row* r : rows) {
    if (Choice(*r, i) != code) continue;
    ++o.count;
    if (!o.key && code != 0) o.chosen_by.push_back(Place(r));
  }
  if (answers > 0) o.share = static_cast<double>(o.count) / static_cast<double>(answers);
  const auto picked = [&](size_t j) { return Choice(*complete[j], i) == code ? 1.0 : 0.0; };
  if (group > 0) {
    o.upper = GroupShare(upper, picked);
    o.lower = GroupShare(lower, picked);
  }
  std::vector<double> chose, rest_known;
  for (size_t j = 0; j < complete.size(); ++j) {
    if (Choice(*complete[j], i) == kUnread) continue;
    chose.push_back(picked(j));
    rest_known.push_back(rest_of_complete[j]);
  }
  o.point_biserial = Correlation(chose, rest_known);
}

SubjectFigures SubjectFiguresBuilder::Compute(const Subject& s, const std::vector<size_t>& row_of) {
  SubjectFigures f;
  f.subject = s.name;
  f.full = s.full;
  Matrix matrix(s, row_of);
  matrix.AddStudents(f);
  matrix.AddReliability(f);
  for (size_t i = 0; i < matrix.k; ++i) f.questions.push_back(matrix.Question(i, f));
  return f;
}

}  // namespace generatesheet::cli
