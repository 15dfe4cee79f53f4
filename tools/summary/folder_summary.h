// The class summary rebuilt from folders of pages: one folder after the
// shards of a batch, or several (classes or schools that ran apart) merged
// into one set of figures, subject by subject and question by question.
#ifndef GENERATESHEET_TOOLS_SUMMARY_FOLDER_SUMMARY_H_
#define GENERATESHEET_TOOLS_SUMMARY_FOLDER_SUMMARY_H_

#include <string>
#include <vector>

#include "tools/summary/class_summary.h"
#include "tools/summary/exam_title.h"
#include "tools/summary/report_cards.h"

namespace generatesheet::cli {

// Reads every student record in each of `folders` (each in file-name
// order, the folders in the order given) and writes the summary of them all
// into `out` (ending with "/"; created when missing).  A page in another
// folder than `out` is named by its path from `out`, so the summary's links
// reach it.  A record that cannot be read is a row of its own, of a page
// with errors (or not written, when there is no page beside it), and the
// rest go on.  Throws Error, writing nothing, when one student (number and
// subject) has a record in two of the folders, naming both files: the two
// would be counted twice.  Writes nothing when no folder holds a record
// file.  `exam` is the title and date at the top of index.html.  With
// `cards`, puts there the report cards of the figures written.
RebuildCounts SummariseFolders(const std::vector<std::string>& folders, const std::string& out,
                               const ScoreBands& bands = {}, const ExamTitle& exam = {},
                               ReportCards* cards = nullptr);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUMMARY_FOLDER_SUMMARY_H_
