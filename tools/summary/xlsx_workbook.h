// An .xlsx workbook written whole with libxlsxwriter: the library writes
// into a temporary file beside the target, which replaces the target only
// once the workbook is complete, so a reader finds the old workbook or the
// new one, never a part.  Sheets are written row by row in constant memory:
// a class of any size takes a few rows' worth of memory per sheet.  Every
// failure throws Error naming the file (and the sheet and row, where there
// is one).
#ifndef GENERATESHEET_TOOLS_SUMMARY_XLSX_WORKBOOK_H_
#define GENERATESHEET_TOOLS_SUMMARY_XLSX_WORKBOOK_H_

#include <xlsxwriter.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/replacement_file.h"

namespace generatesheet::cli {

class XlsxSheet;

// Replaces in `text` each character XML 1.0 forbids (control characters
// but tab and line ends, U+FFFE, U+FFFF) and each byte that is not part of
// well-formed UTF-8 by U+FFFD; returns how many it replaced.
size_t XmlSafe(std::string& text);

class XlsxWorkbook {
 public:
  // Starts the workbook that is to replace (or create) the file at `path`;
  // `title` goes into its document properties.
  explicit XlsxWorkbook(const std::string& path, const std::string& title = "");
  XlsxWorkbook(const XlsxWorkbook&) = delete;
  XlsxWorkbook& operator=(const XlsxWorkbook&) = delete;
  ~XlsxWorkbook();  // discards a workbook never committed

  // A cell format: `number_format` as Excel spells it ("" for General),
  // bold and with a fill for a header, filled in red for a flagged cell.
  enum class Look { kPlain, kHeader, kFlagged, kTitle, kLink };
  lxw_format* Format(std::string_view number_format, Look look = Look::kPlain);

  XlsxSheet AddSheet(const std::string& name);

  // Finishes the workbook and puts it in place of the target.
  void Commit();

  const std::string& path() const { return path_; }
  // How many characters the cells written so far had replaced (XmlSafe).
  size_t replaced() const { return replaced_; }
  void NoteReplaced(size_t n) { replaced_ += n; }
  // Throws Error naming the file, `where` (a sheet and row) and `error`.
  void Check(lxw_error error, const std::string& where) const;

 private:
  std::string path_;
  std::string scratch_;  // the folder of the library's scratch files, kept while it works
  ReplacementFile file_;
  lxw_workbook* book_ = nullptr;
  size_t replaced_ = 0;
};

// One sheet: title lines, a header row, frozen, then rows of cells written
// in order, with an autofilter over the table.  Printed on A4 across, as
// wide as the page, the lines down to the header on every page.

class XlsxSheet {
 public:
  XlsxSheet(XlsxWorkbook& book, lxw_worksheet* sheet, std::string name);

  // Lines above the table (its title), before the header.
  void Title(const std::vector<std::string>& lines, lxw_format* first, lxw_format* rest);
  // The header row; the first `frozen_columns` columns stay in view too.
  void Header(const std::vector<std::string>& names, lxw_format* format, int frozen_columns);
  // Starts the next row of the table.
  void NextRow();
  // Cells of the current row; text beyond what a cell holds is cut short,
  // and what XML forbids replaced (XmlSafe); a missing or non-finite number
  // leaves the cell blank.
  void Text(const std::string& text, lxw_format* format = nullptr);
  void Number(std::optional<double> value, lxw_format* format = nullptr);
  // A link to a file beside the workbook, shown as `file`; a name a link
  // cannot carry as it is (too long, or with characters a path would read
  // otherwise) is written as text.
  void FileLink(const std::string& file, lxw_format* format);
  // Sets the autofilter over the header and the rows written.
  void Finish();

 private:
  void Check(lxw_error error) const;

  XlsxWorkbook& book_;
  lxw_worksheet* sheet_;
  std::string name_;
  lxw_row_t row_ = 0;
  lxw_row_t header_row_ = 0;
  lxw_col_t column_ = 0, columns_ = 0;
};

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUMMARY_XLSX_WORKBOOK_H_
