// The item table of index.html: per question its text's first line, its
// figures, each response's count and share (a blank answer as a response
// of its own), the reasons to review it, and per wrong option the students
// who chose it, folded so the table stays short.  Plain HTML: it reads the
// same without script, sorted by the page's script when there is one.
#ifndef GENERATESHEET_TOOLS_SUMMARY_ITEMS_HTML_H_
#define GENERATESHEET_TOOLS_SUMMARY_ITEMS_HTML_H_

#include <string>
#include <vector>

#include "tools/summary/figures_files.h"
#include "tools/summary/subject_figures.h"

namespace generatesheet::cli {

// The table, hardest question first.
std::string ItemsHtml(const std::vector<SubjectFigures>& subjects, const RecordOfRow& record_of);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUMMARY_ITEMS_HTML_H_
