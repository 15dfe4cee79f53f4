// Each section's (大题's) mean and score rate, for the whole year and per
// class: over the students whose subtotal of the section is known (every
// score of theirs in it read), the score rate being the mean over the
// section's full marks.  A section is labelled by its short heading, its
// numeral and title without the instruction that follows them
// ("一、单项选择", not "一、单项选择（共3小题…）：从A、B、C、D四个…").
#ifndef GENERATESHEET_TOOLS_SUMMARY_SECTION_FIGURES_H_
#define GENERATESHEET_TOOLS_SUMMARY_SECTION_FIGURES_H_

#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tools/summary/section_totals.h"
#include "tools/summary/summary_student.h"

namespace generatesheet::cli {

struct SectionAverages {
  size_t count = 0;  // students whose subtotal is known
  std::optional<double> mean, score_rate;
};

struct SectionFigures {
  std::string heading;  // as the results give it
  std::string label;    // the short heading
  double full = 0;      // the section's full marks; 0 when unknown
  SectionAverages year;
  // By class name ("" for the students without one), when a student has a
  // class.
  std::vector<std::pair<std::string, SectionAverages>> classes;
};

struct SectionsOfSubject {
  std::string subject;
  std::vector<SectionFigures> sections;  // in page order
};

// The figures of every subject with sections, by name; a section no
// student's subtotal of is known is left out.  `students` are the
// summary's, indexed as `totals` was given them, taken in `order` (the
// summary's); classes are kept when `named`.
std::vector<SectionsOfSubject> SectionFiguresOf(const SectionTotals& totals,
                                                const std::vector<SummaryStudent>& students,
                                                const std::vector<size_t>& order, bool named);

// summary.json: the subject's "section_figures", one object per section:
// section (the heading), label, full, count, mean, score_rate, and, when a
// student has a class, classes (class, count, mean, score_rate).
nlohmann::json SectionsJson(const std::vector<SectionsOfSubject>& sections,
                            const std::string& subject, bool named);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUMMARY_SECTION_FIGURES_H_
