#include "tools/summary/class_figures.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numeric>

namespace generatesheet::cli {

void ClassFiguresBuilder::Add(size_t row, const StudentRecord& record) {
  named_ = named_ || !record.class_name.empty();
  auto at = std::find_if(classes_.begin(), classes_.end(),
                         [&](const Class& c) { return c.name == record.class_name; });
  if (at == classes_.end()) {
    classes_.push_back({record.class_name, {}});
    at = classes_.end() - 1;
  }
  at->figures.Add(row, record);
}

std::vector<SubjectClasses> ClassFiguresBuilder::Figures(const std::vector<size_t>& row_of) const {
  std::vector<SubjectClasses> subjects;
  if (!named_) return subjects;
  std::vector<const Class*> classes;
  for (const Class& c : classes_) classes.push_back(&c);
  std::sort(classes.begin(), classes.end(),
            [](const Class* a, const Class* b) { return a->name < b->name; });
  for (const Class* c : classes) {
    for (SubjectFigures& f : c->figures.Figures(row_of)) {
      auto at = std::find_if(subjects.begin(), subjects.end(),
                             [&](const SubjectClasses& s) { return s.subject == f.subject; });
      if (at == subjects.end()) {
        subjects.push_back({f.subject, {}});
        at = subjects.end() - 1;
      }
      at->classes.push_back({c->name, std::move(f)});
    }
  }
  std::sort(subjects.begin(), subjects.end(),
            [](const SubjectClasses& a, const SubjectClasses& b) { return a.subject < b.subject; });
  return subjects;
}

void RankWithinClasses(std::vector<SubjectFigures>& year,
                       const std::vector<SubjectClasses>& classes) {
  for (SubjectFigures& f : year) {
    std::vector<StudentFigures*> by_row;
    for (StudentFigures& s : f.students) {
      if (by_row.size() <= s.row) by_row.resize(s.row + 1, nullptr);
      by_row[s.row] = &s;
    }
    for (const SubjectClasses& subject : classes) {
      if (subject.subject != f.subject) continue;
      for (const ClassFigures& c : subject.classes) {
        for (const StudentFigures& s : c.figures.students) {
          if (s.row >= by_row.size() || by_row[s.row] == nullptr) continue;
          by_row[s.row]->class_rank = s.rank;
          by_row[s.row]->class_count = c.figures.count;
        }
      }
    }
  }
}

namespace {

// The mean and the sum of squared deviations of `x`.
std::pair<double, double> MeanAndSquares(const std::vector<double>& x) {
  const double mean = std::accumulate(x.begin(), x.end(), 0.0) / static_cast<double>(x.size());
  double squares = 0;
  for (double v : x) squares += (v - mean) * (v - mean);
  return {mean, squares};
}

std::optional<double> CohensD(const std::vector<double>& group, const std::vector<double>& rest) {
  if (group.empty() || rest.empty() || group.size() + rest.size() < 3) return std::nullopt;
  const auto [mean1, squares1] = MeanAndSquares(group);
  const auto [mean2, squares2] = MeanAndSquares(rest);
  const double pooled =
      std::sqrt((squares1 + squares2) / static_cast<double>(group.size() + rest.size() - 2));
  if (!(pooled > 0)) return std::nullopt;
  return (mean1 - mean2) / pooled;
}

}  // namespace

void CompareWithRestOfYear(const std::vector<SubjectFigures>& year,
                           std::vector<SubjectClasses>& classes) {
  for (SubjectClasses& subject : classes) {
    const auto f = std::find_if(year.begin(), year.end(), [&](const SubjectFigures& y) {
      return y.subject == subject.subject;
    });
    if (f == year.end()) continue;
    for (ClassFigures& c : subject.classes) {
      // Both ascending: the rest is the year's without the class's.
      std::vector<double> rest;
      std::set_difference(f->totals.begin(), f->totals.end(), c.figures.totals.begin(),
                          c.figures.totals.end(), std::back_inserter(rest));
      c.figures.effect_size = CohensD(c.figures.totals, rest);
    }
  }
}

std::string ClassLabel(const std::string& name) {
  if (name.empty()) return kNoClass;
  for (const char* reserved : kReservedLabels) {
    if (name == reserved) return "“" + name + "”";
  }
  return name;
}

std::vector<std::string> ClassNames(const std::vector<SubjectClasses>& classes) {
  std::vector<std::string> names;
  for (const SubjectClasses& s : classes) {
    for (const ClassFigures& c : s.classes) {
      if (std::find(names.begin(), names.end(), c.name) == names.end()) names.push_back(c.name);
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::optional<double> ClassFacility(const std::vector<SubjectClasses>& classes,
                                    const std::string& subject, const std::string& name,
                                    int number) {
  for (const SubjectClasses& s : classes) {
    if (s.subject != subject) continue;
    for (const ClassFigures& c : s.classes) {
      if (c.name != name) continue;
      for (const QuestionFigures& q : c.figures.questions) {
        if (q.number == number) return q.facility;
      }
    }
  }
  return std::nullopt;
}

}  // namespace generatesheet::cli
