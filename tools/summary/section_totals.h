// Each student's subtotal per section of the paper ("一、单选题"), from the
// section each result names: the exact sum of the student's obtained scores
// in the section, unknown when one of them is.  Records of an earlier
// version name no sections, and give no subtotals.
#ifndef GENERATESHEET_TOOLS_SUMMARY_SECTION_TOTALS_H_
#define GENERATESHEET_TOOLS_SUMMARY_SECTION_TOTALS_H_

#include <optional>
#include <string>
#include <vector>

#include "tools/job/student_record.h"

namespace generatesheet::cli {

// The heading up to the first bracket or colon that follows its title
// ("（", "(", "：", ":"), blanks trimmed: its numeral and title without the
// instruction ("一、单项选择（共3小题…）：从…" is "一、单项选择"); the whole
// heading when that leaves nothing.
std::string ShortHeading(const std::string& heading);

class SectionTotals {
 public:
  // Adds the record that is row `row` of the summary.
  void Add(size_t row, const StudentRecord& record);
  // Whether any result added named its section.
  bool any() const { return !subjects_.empty(); }

  // The section headings of `subject` in the paper's order: by the latest
  // place any student's paper gives each, then by heading, so the order
  // does not hang on which student came first.
  std::vector<std::string> Sections(const std::string& subject) const;
  // The subtotals of row `row`, one per section of its subject: "" where
  // the student had no question of the section or a score is unknown.
  std::vector<std::string> Subtotals(size_t row) const;
  // The full marks of each section of `subject`, in the order of Sections:
  // the largest sum of full marks a student's paper gives it, of the papers
  // whose subtotal of it is known (0 when no full marks of it are known).
  std::vector<double> Fulls(const std::string& subject) const;

  // The subject of row `row`; none for a row without sections.
  const std::string* SubjectOf(size_t row) const;

  // summary.csv: one column per section of each subject, "SUBJECT HEADING"
  // (the short heading, or the whole one where two sections of the subject
  // would share it), subjects by name.
  std::vector<std::string> Header() const;
  // The columns of Header that are `subject`'s, in its sections' order.
  std::vector<std::string> HeaderOf(const std::string& subject) const;
  std::vector<std::string> Cells(size_t row) const;

 private:
  struct Subject {
    std::string name;
    std::vector<std::string> sections;  // in the order first met
    std::vector<size_t> place;          // per section: the latest place in a paper
    std::vector<double> full;           // per section: the largest known full marks
  };
  // The indexes of a subject's sections in the paper's order.
  static std::vector<size_t> Order(const Subject& s);
  std::vector<size_t> SubjectsByName() const;
  struct Row {
    size_t subject = 0;
    std::vector<std::optional<std::string>> subtotals;  // per section; none: unknown
    std::vector<bool> had;                              // per section
  };
  std::vector<Subject> subjects_;
  std::vector<std::optional<Row>> rows_;  // by summary row
};

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUMMARY_SECTION_TOTALS_H_
