// The figures of each subject as the batch writes them: summary.json (all
// of them), scores.csv (the points matrix) and the columns they add to
// summary.csv and items.csv.  Figures that cannot be computed are null in
// JSON and empty cells in CSV.
#ifndef GENERATESHEET_TOOLS_FIGURES_FILES_H_
#define GENERATESHEET_TOOLS_FIGURES_FILES_H_

#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

#include "tools/batch/student_record.h"
#include "tools/summary/subject_figures.h"

namespace generatesheet::cli {

// The record of row `row` of the summary (its results may be gone).
using RecordOfRow = std::function<const StudentRecord&(size_t row)>;

// What a summary adds to the object of a subject or of a student in
// summary.json, beyond the figures (its classes, its sections); none when
// empty.
struct JsonExtras {
  std::function<void(const SubjectFigures&, nlohmann::json&)> subject;
  std::function<void(const StudentFigures&, nlohmann::json&)> student;
};

std::string SummaryJson(const std::vector<SubjectFigures>& figures, const RecordOfRow& record_of,
                        const JsonExtras& extras = {});

// One row per student of the summary (`rows` of them, in its order); with
// `with_class`, a column 班级 after 姓名.
std::string ScoresCsv(const std::vector<SubjectFigures>& figures, size_t rows,
                      const RecordOfRow& record_of, bool with_class = false);

// summary.csv: 名次, 百分位, 答对, 部分正确, 答错, 未作答, per row.
std::vector<std::string> StudentColumnsHeader();
std::vector<std::vector<std::string>> StudentColumns(const std::vector<SubjectFigures>& figures,
                                                     size_t rows);

// items.csv: an option share per letter met in any question, then D, alpha
// if deleted, the upper / lower shares and point-biserial per letter, the
// flags.  `question` is null for a question the figures do not know.
class ItemColumns {
 public:
  explicit ItemColumns(const std::vector<SubjectFigures>& figures);
  std::vector<std::string> Header() const;
  std::vector<std::string> Cells(const std::string& subject, int number) const;
  // The option letters of the columns, in their order.
  const std::vector<std::string>& letters() const { return letters_; }

 private:
  const std::vector<SubjectFigures>& figures_;
  std::vector<std::string> letters_;
};

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_FIGURES_FILES_H_
