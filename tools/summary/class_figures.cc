#include "tools/summary/class_figures.h"

#include <algorithm>

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
