// summary.json: every figure of each subject, and who the figures count.
// Figures that cannot be computed are null; scores are written as the
// shortest decimal that reads back to them.
#ifndef GENERATESHEET_TOOLS_FIGURES_FILES_H_
#define GENERATESHEET_TOOLS_FIGURES_FILES_H_

#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tools/job/student_record.h"
#include "tools/summary/subject_figures.h"
#include "util/file_util.h"

namespace generatesheet::cli {

// The record of row `row` of the summary (its results may be gone).
using RecordOfRow = std::function<const StudentRecord&(size_t row)>;

// What a summary adds to summary.json beyond the figures: keys of the
// whole file (who is counted), and of the object of a subject or of a
// student (its classes, its sections); none when empty.
struct JsonExtras {
  nlohmann::json top;
  std::function<void(const SubjectFigures&, nlohmann::json&)> subject;
  std::function<void(const StudentFigures&, nlohmann::json&)> student;
};

// Hands summary.json to `put` in pieces, so the whole text never needs
// to be held.
void WriteSummaryJson(const ContentSink& put, const std::vector<SubjectFigures>& figures,
                      const RecordOfRow& record_of, const JsonExtras& extras = {});
std::string SummaryJson(const std::vector<SubjectFigures>& figures, const RecordOfRow& record_of,
                        const JsonExtras& extras = {});

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_FIGURES_FILES_H_
