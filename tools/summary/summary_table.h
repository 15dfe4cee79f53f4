// One table of the class summary as every file shows it: a header and rows
// of typed cells (a number with its format, a text, or empty; any of them
// flagged).  The same table is a CSV file and a sheet of the workbook, so a
// figure is the same in both by construction: the CSV spells a number as
// the cell says, the workbook keeps the number and shows it in the cell's
// format.  Rows are made when they are written, so a table of any length
// takes the memory of one row.
#ifndef GENERATESHEET_TOOLS_SUMMARY_SUMMARY_TABLE_H_
#define GENERATESHEET_TOOLS_SUMMARY_SUMMARY_TABLE_H_

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace generatesheet::cli {

// How the workbook shows a number.
enum class CellFormat { kGeneral, kWhole, kFixed2, kFixed3, kPercent };

struct TableCell {
  enum class Kind { kEmpty, kNumber, kText };
  Kind kind = Kind::kEmpty;
  double number = 0;
  std::string text;  // a text; for a number, how the CSV spells it
  CellFormat format = CellFormat::kGeneral;
  bool flagged = false;
  bool link = false;  // a text naming a file beside the summary: a link in the workbook

  static TableCell Text(std::string text, bool flagged = false);
  // The name of a file beside the summary ("" for none).
  static TableCell FileLink(std::string file);
  // A score as the results spell it ("66.5"); empty when unknown; a text
  // that is no number stays text.
  static TableCell Decimal(const std::string& text);
  // A score worked out here, spelled as the shortest decimal that reads
  // back to it; empty when not finite.
  static TableCell Score(double value);
  static TableCell Count(std::optional<size_t> n);
  // A figure, spelled with `digits` decimals; empty (in its format) when
  // unknown.
  static TableCell Figure(std::optional<double> value, CellFormat format, int digits,
                          bool flagged = false);
};

struct SummaryTable {
  std::string sheet;  // the workbook sheet's name
  // A line the CSV file holds before its header, a single cell; "" for none.
  // A partial summary's tables carry it, so a file copied away alone still
  // says it does not count everyone; the workbook says so in a sheet.
  std::string note;
  std::vector<std::string> header;
  int frozen_columns = 2;  // columns kept in view beside the frozen header
  size_t rows = 0;
  std::function<std::vector<TableCell>(size_t row)> row;
};

// The table as a CSV file: UTF-8 with a byte-order mark, CR LF line ends,
// the note (if any) a line of its own before the header.
std::string TableCsv(const SummaryTable& table);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUMMARY_SUMMARY_TABLE_H_
