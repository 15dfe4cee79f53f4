// Lines of the CSV files a batch writes for spreadsheet programs: UTF-8
// with a byte-order mark (kBom opens each file), CR LF line ends, and a
// cell that opens like a formula made text.
#ifndef GENERATESHEET_TOOLS_CSV_WRITER_H_
#define GENERATESHEET_TOOLS_CSV_WRITER_H_

#include <string>
#include <vector>

namespace generatesheet::cli {

inline constexpr char kBom[] = "\xEF\xBB\xBF";

// One line of fields, quoted where needed, ending in CR LF.
std::string CsvLine(const std::vector<std::string>& fields);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_CSV_WRITER_H_
