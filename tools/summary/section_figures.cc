#include "tools/summary/section_figures.h"

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>

#include "tools/summary/student_score.h"

namespace generatesheet::cli {

namespace {

// Running sums of one section in one scope.
struct Sums {
  size_t count = 0;
  double sum = 0;
  SectionAverages Means(double full) const {
    SectionAverages m;
    m.count = count;
    if (count == 0) return m;
    m.mean = sum / static_cast<double>(count);
    if (full > 0) m.score_rate = *m.mean / full;
    return m;
  }
};

}  // namespace

std::vector<SectionsOfSubject> SectionFiguresOf(const SectionTotals& totals,
                                                const std::vector<SummaryStudent>& students,
                                                const std::vector<size_t>& order, bool named) {
  // Per subject: per section, the year's sums and each class's.
  std::map<std::string, std::vector<std::pair<Sums, std::map<std::string, Sums>>>> sums;
  // In the summary's order, so the sums are the same whatever order the
  // students came in.
  for (const size_t i : order) {
    const std::string* subject = totals.SubjectOf(i);
    if (subject == nullptr) continue;
    const std::vector<std::string> subtotals = totals.Subtotals(i);
    auto& of = sums[*subject];
    of.resize(std::max(of.size(), subtotals.size()));
    for (size_t s = 0; s < subtotals.size(); ++s) {
      const std::optional<double> value = DecimalValue(subtotals[s]);
      if (!value) continue;
      for (Sums* scope : {&of[s].first, &of[s].second[students[i].record.class_name]}) {
        ++scope->count;
        scope->sum += *value;
      }
    }
  }
  std::vector<SectionsOfSubject> figures;
  for (const auto& [subject, of] : sums) {
    SectionsOfSubject subject_sections{subject, {}};
    const std::vector<std::string> headings = totals.Sections(subject);
    const std::vector<double> full = totals.Fulls(subject);
    for (size_t s = 0; s < headings.size(); ++s) {
      SectionFigures f{headings[s], ShortHeading(headings[s]), full[s], {}, {}};
      // Two sections of one label are told apart by their whole headings.
      if (std::count_if(headings.begin(), headings.end(),
                        [&](const std::string& h) { return ShortHeading(h) == f.label; }) > 1) {
        f.label = f.heading;
      }
      if (s < of.size()) {
        f.year = of[s].first.Means(f.full);
        if (named) {
          for (const auto& [name, in_class] : of[s].second) {
            f.classes.emplace_back(name, in_class.Means(f.full));
          }
        }
      }
      if (f.year.count > 0) subject_sections.sections.push_back(std::move(f));
    }
    figures.push_back(std::move(subject_sections));
  }
  return figures;
}

nlohmann::json SectionsJson(const std::vector<SectionsOfSubject>& sections,
                            const std::string& subject, bool named) {
  using nlohmann::json;
  const auto value = [](const std::optional<double>& v) { return v ? json(*v) : json(nullptr); };
  const auto means = [&](json object, const SectionAverages& m) {
    object["count"] = m.count;
    object["mean"] = value(m.mean);
    object["score_rate"] = value(m.score_rate);
    return object;
  };
  json list = json::array();
  for (const SectionsOfSubject& s : sections) {
    if (s.subject != subject) continue;
    for (const SectionFigures& f : s.sections) {
      json section = means({{"section", f.heading},
                            {"label", f.label},
                            {"full", f.full > 0 ? json(f.full) : json(nullptr)}},
                           f.year);
      if (named) section["classes"] = json::array();
      for (const auto& [name, m] : f.classes) {
        section["classes"].push_back(means({{"class", name}}, m));
      }
      list.push_back(section);
    }
  }
  return list;
}

}  // namespace generatesheet::cli
