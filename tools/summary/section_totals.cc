#include "tools/summary/section_totals.h"

#include <algorithm>
#include <tuple>

#include "tools/summary/student_score.h"
#include "util/error.h"
#include "util/score_total.h"

namespace generatesheet::cli {

namespace {

size_t IndexOf(std::vector<std::string>& names, const std::string& name) {
  const auto at = std::find(names.begin(), names.end(), name);
  if (at != names.end()) return static_cast<size_t>(at - names.begin());
  names.push_back(name);
  return names.size() - 1;
}

// Adds `score` to `sum`; an unknown score, or one beyond the exact range,
// makes the sum unknown, as it does the total.
void AddScore(std::optional<ScoreTotal>& sum, const std::string& score, int number) {
  if (!sum) return;
  if (score.empty()) {
    sum.reset();
    return;
  }
  try {
    sum->Add(score, std::to_string(number));
  } catch (const Error&) {
    sum.reset();
  }
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::string ShortHeading(const std::string& heading) {
  size_t end = heading.size();
  for (const char* mark : {"（", "(", "：", ":"}) end = std::min(end, heading.find(mark));
  size_t begin = 0;
  while (begin < end && IsBlank(heading[begin])) ++begin;
  while (end > begin && IsBlank(heading[end - 1])) --end;
  return end > begin ? heading.substr(begin, end - begin) : heading;
}

void SectionTotals::Add(size_t row, const StudentRecord& record) {
  const bool named = std::any_of(record.sections.begin(), record.sections.end(),
                                 [](const std::string& s) { return !s.empty(); });
  if (!named) return;
  auto subject = std::find_if(subjects_.begin(), subjects_.end(),
                              [&](const Subject& s) { return s.name == record.subject; });
  if (subject == subjects_.end()) {
    subjects_.push_back({record.subject, {}, {}, {}});
    subject = subjects_.end() - 1;
  }
  Row r;
  r.subject = static_cast<size_t>(subject - subjects_.begin());
  std::vector<std::optional<ScoreTotal>> sums, fulls;
  size_t places = 0;  // sections of this paper so far
  for (size_t i = 0; i < record.results.size() && i < record.sections.size(); ++i) {
    if (record.sections[i].empty()) continue;
    const size_t s = IndexOf(subject->sections, record.sections[i]);
    subject->place.resize(subject->sections.size(), 0);
    if (sums.size() <= s || !r.had[s]) subject->place[s] = std::max(subject->place[s], places++);
    if (sums.size() <= s) {
      sums.resize(s + 1, ScoreTotal());
      fulls.resize(s + 1, ScoreTotal());
      r.had.resize(s + 1, false);
    }
    r.had[s] = true;
    const QuestionResult& q = record.results[i];
    AddScore(fulls[s], q.full, q.number);
    AddScore(sums[s], q.obtained, q.number);
  }
  subject->full.resize(subject->sections.size(), 0);
  // Of a paper whose subtotal is known: one that could not be read may be
  // another paper.
  for (size_t s = 0; s < fulls.size(); ++s) {
    const std::optional<double> full =
        fulls[s] && sums[s] ? DecimalValue(fulls[s]->ToString()) : std::nullopt;
    if (full) subject->full[s] = std::max(subject->full[s], *full);
  }
  for (const std::optional<ScoreTotal>& sum : sums) {
    r.subtotals.push_back(sum ? std::optional<std::string>(sum->ToString()) : std::nullopt);
  }
  if (rows_.size() <= row) rows_.resize(row + 1);
  rows_[row] = std::move(r);
}

std::vector<size_t> SectionTotals::Order(const Subject& s) {
  std::vector<size_t> order(s.sections.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return std::tie(s.place[a], s.sections[a]) < std::tie(s.place[b], s.sections[b]);
  });
  return order;
}

std::vector<size_t> SectionTotals::SubjectsByName() const {
  std::vector<size_t> order(subjects_.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [&](size_t a, size_t b) { return subjects_[a].name < subjects_[b].name; });
  return order;
}

std::vector<std::string> SectionTotals::Sections(const std::string& subject) const {
  for (const Subject& s : subjects_) {
    if (s.name != subject) continue;
    std::vector<std::string> sections;
    for (size_t i : Order(s)) sections.push_back(s.sections[i]);
    return sections;
  }
  return {};
}

std::vector<double> SectionTotals::Fulls(const std::string& subject) const {
  for (const Subject& s : subjects_) {
    if (s.name != subject) continue;
    std::vector<double> fulls;
    for (size_t i : Order(s)) fulls.push_back(i < s.full.size() ? s.full[i] : 0);
    return fulls;
  }
  return {};
}

const std::string* SectionTotals::SubjectOf(size_t row) const {
  if (row >= rows_.size() || !rows_[row]) return nullptr;
  return &subjects_[rows_[row]->subject].name;
}

std::vector<std::string> SectionTotals::Subtotals(size_t row) const {
  if (row >= rows_.size() || !rows_[row]) return {};
  const Row& r = *rows_[row];
  std::vector<std::string> cells;
  for (size_t s : Order(subjects_[r.subject])) {
    const bool known = s < r.subtotals.size() && r.had[s] && r.subtotals[s];
    cells.push_back(known ? *r.subtotals[s] : "");
  }
  return cells;
}

std::vector<std::string> SectionTotals::Header() const {
  std::vector<std::string> header;
  for (size_t i : SubjectsByName()) {
    const std::vector<std::string> own = HeaderOf(subjects_[i].name);
    header.insert(header.end(), own.begin(), own.end());
  }
  return header;
}

std::vector<std::string> SectionTotals::HeaderOf(const std::string& subject) const {
  std::vector<std::string> header;
  for (const Subject& s : subjects_) {
    if (s.name != subject) continue;
    for (size_t section : Order(s)) {
      const std::string label = ShortHeading(s.sections[section]);
      const bool shared = std::count_if(s.sections.begin(), s.sections.end(), [&](const auto& h) {
                            return ShortHeading(h) == label;
                          }) > 1;
      header.push_back(s.name + " " + (shared ? s.sections[section] : label));
    }
  }
  return header;
}

std::vector<std::string> SectionTotals::Cells(size_t row) const {
  std::vector<std::string> cells;
  const Row* r = row < rows_.size() && rows_[row] ? &*rows_[row] : nullptr;
  for (size_t s : SubjectsByName()) {
    if (r && r->subject == s) {
      const std::vector<std::string> own = Subtotals(row);
      cells.insert(cells.end(), own.begin(), own.end());
    } else {
      cells.resize(cells.size() + subjects_[s].sections.size());
    }
  }
  return cells;
}

}  // namespace generatesheet::cli
