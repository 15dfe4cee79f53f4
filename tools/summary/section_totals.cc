#include "tools/summary/section_totals.h"

#include <algorithm>

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

}  // namespace

void SectionTotals::Add(size_t row, const StudentRecord& record) {
  const bool named = std::any_of(record.sections.begin(), record.sections.end(),
                                 [](const std::string& s) { return !s.empty(); });
  if (!named) return;
  auto subject = std::find_if(subjects_.begin(), subjects_.end(),
                              [&](const Subject& s) { return s.name == record.subject; });
  if (subject == subjects_.end()) {
    subjects_.push_back({record.subject, {}});
    subject = subjects_.end() - 1;
  }
  Row r;
  r.subject = static_cast<size_t>(subject - subjects_.begin());
  std::vector<std::optional<ScoreTotal>> sums;
  for (size_t i = 0; i < record.results.size() && i < record.sections.size(); ++i) {
    if (record.sections[i].empty()) continue;
    const size_t s = IndexOf(subject->sections, record.sections[i]);
    if (sums.size() <= s) {
      sums.resize(s + 1, ScoreTotal());
      r.had.resize(s + 1, false);
    }
    r.had[s] = true;
    const QuestionResult& q = record.results[i];
    if (!sums[s]) continue;
    if (q.obtained.empty()) {
      sums[s].reset();
      continue;
    }
    try {
      sums[s]->Add(q.obtained, std::to_string(q.number));
    } catch (const Error&) {
      sums[s].reset();  // beyond the exact range: unknown, as the total is
    }
  }
  for (const std::optional<ScoreTotal>& sum : sums) {
    r.subtotals.push_back(sum ? std::optional<std::string>(sum->ToString()) : std::nullopt);
  }
  if (rows_.size() <= row) rows_.resize(row + 1);
  rows_[row] = std::move(r);
}

std::vector<std::string> SectionTotals::Sections(const std::string& subject) const {
  for (const Subject& s : subjects_) {
    if (s.name == subject) return s.sections;
  }
  return {};
}

std::vector<std::string> SectionTotals::Subtotals(size_t row) const {
  if (row >= rows_.size() || !rows_[row]) return {};
  const Row& r = *rows_[row];
  std::vector<std::string> cells(subjects_[r.subject].sections.size());
  for (size_t s = 0; s < r.subtotals.size(); ++s) {
    if (r.had[s] && r.subtotals[s]) cells[s] = *r.subtotals[s];
  }
  return cells;
}

std::vector<std::string> SectionTotals::Header() const {
  std::vector<std::string> header;
  for (const Subject& s : subjects_) {
    for (const std::string& section : s.sections) header.push_back(s.name + " " + section);
  }
  return header;
}

std::vector<std::string> SectionTotals::Cells(size_t row) const {
  std::vector<std::string> cells;
  const Row* r = row < rows_.size() && rows_[row] ? &*rows_[row] : nullptr;
  for (size_t s = 0; s < subjects_.size(); ++s) {
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
