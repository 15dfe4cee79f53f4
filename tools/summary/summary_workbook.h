// summary.xlsx: the class summary as one workbook, for those who work in a
// spreadsheet program: the tables of summary_tables.h, a sheet each (学生,
// 试题, 得分矩阵, 班级), the same cells as the CSV files with numbers kept
// as numbers in their formats (shares and facility as percentages); a
// flagged figure is coloured, and the flag's text is in the question's 提示
// cell as well.  A summary that does not count every student opens with a
// sheet 说明 saying who is left out.
#ifndef GENERATESHEET_TOOLS_SUMMARY_SUMMARY_WORKBOOK_H_
#define GENERATESHEET_TOOLS_SUMMARY_SUMMARY_WORKBOOK_H_

#include <string>
#include <vector>

#include "tools/summary/summary_table.h"

namespace generatesheet::cli {

// Writes the workbook to `path` atomically, with the lines of `note` in a
// first sheet 说明 when there are any; throws Error naming the file.
// `title` is the workbook's title, in its document properties and in the
// first row of every sheet, `date` the second row's.  Returns how many
// characters XML forbids it replaced (XmlSafe).
size_t WriteSummaryWorkbook(const std::string& path, const std::vector<SummaryTable>& tables,
                            const std::vector<std::string>& note, const std::string& title = "",
                            const std::string& date = "");

// Why the tables do not fit a workbook (a sheet of more rows or columns than
// the format holds), naming the sheet and the limit; "" when they fit.
std::string WorkbookLimit(const std::vector<SummaryTable>& tables);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUMMARY_SUMMARY_WORKBOOK_H_
