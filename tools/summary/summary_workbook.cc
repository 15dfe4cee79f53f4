#include "tools/summary/summary_workbook.h"

#include <map>

#include "tools/summary/xlsx_workbook.h"

namespace generatesheet::cli {

namespace {

// The number format of each cell format, as Excel spells it.
const char* NumberFormat(CellFormat format) {
  switch (format) {
    case CellFormat::kWhole:
      return "0";
    case CellFormat::kFixed2:
      return "0.00";
    case CellFormat::kFixed3:
      return "0.000";
    case CellFormat::kPercent:
      return "0.0%";
    case CellFormat::kGeneral:
      break;
  }
  return "";
}

// The workbook's cell formats, made once each.
class Looks {
 public:
  explicit Looks(XlsxWorkbook& book) : book_(book) {}
  lxw_format* Header() {
    if (header_ == nullptr) header_ = book_.Format("", XlsxWorkbook::Look::kHeader);
    return header_;
  }
  lxw_format* Title() {
    if (title_ == nullptr) title_ = book_.Format("", XlsxWorkbook::Look::kTitle);
    return title_;
  }
  lxw_format* Link() {
    if (link_ == nullptr) link_ = book_.Format("", XlsxWorkbook::Look::kLink);
    return link_;
  }
  // Null for a plain General cell, which needs none.
  lxw_format* Of(const TableCell& cell) {
    if (cell.format == CellFormat::kGeneral && !cell.flagged) return nullptr;
    lxw_format*& format = made_[{cell.format, cell.flagged}];
    if (format == nullptr) {
      format = book_.Format(NumberFormat(cell.format), cell.flagged ? XlsxWorkbook::Look::kFlagged
                                                                    : XlsxWorkbook::Look::kPlain);
    }
    return format;
  }

 private:
  XlsxWorkbook& book_;
  lxw_format* header_ = nullptr;
  lxw_format* title_ = nullptr;
  lxw_format* link_ = nullptr;
  std::map<std::pair<CellFormat, bool>, lxw_format*> made_;
};

// The lines above each sheet's table: the title, then the date and what
// the sheet holds.
std::vector<std::string> TitleLines(const std::string& title, const std::string& date,
                                    const std::string& sheet) {
  return {title, (date.empty() ? "" : "日期：" + date + "　") + "工作表：" + sheet};
}

void TableSheet(XlsxWorkbook& book, Looks& looks, const SummaryTable& table,
                const std::vector<std::string>& title) {
  XlsxSheet sheet = book.AddSheet(table.sheet);
  sheet.Title(title, looks.Title(), nullptr);
  sheet.Header(table.header, looks.Header(), table.frozen_columns);
  for (size_t r = 0; r < table.rows; ++r) {
    sheet.NextRow();
    for (const TableCell& cell : table.row(r)) {
      if (cell.link) {
        sheet.FileLink(cell.text, looks.Link());
      } else if (cell.kind == TableCell::Kind::kText) {
        sheet.Text(cell.text, looks.Of(cell));
      } else {
        sheet.Number(cell.kind == TableCell::Kind::kNumber ? std::optional<double>(cell.number)
                                                           : std::nullopt,
                     looks.Of(cell));
      }
    }
  }
  sheet.Finish();
}

}  // namespace

size_t WriteSummaryWorkbook(const std::string& path, const std::vector<SummaryTable>& tables,
                            const std::vector<std::string>& note, const std::string& title,
                            const std::string& date) {
  XlsxWorkbook book(path, title);
  Looks looks(book);
  if (!note.empty()) {
    XlsxSheet sheet = book.AddSheet("说明");
    sheet.Title(TitleLines(title, date, "说明"), looks.Title(), nullptr);
    sheet.Header({"说明"}, looks.Header(), 0);
    for (const std::string& line : note) {
      sheet.NextRow();
      sheet.Text(line);
    }
    sheet.Finish();
  }
  for (const SummaryTable& table : tables) {
    TableSheet(book, looks, table, TitleLines(title, date, table.sheet));
  }
  book.Commit();
  return book.replaced();
}

std::string WorkbookLimit(const std::vector<SummaryTable>& tables) {
  for (const SummaryTable& table : tables) {
    if (table.header.size() > LXW_COL_MAX) {
      return "工作表“" + table.sheet + "”有 " + std::to_string(table.header.size()) +
             " 列，超过工作簿每张工作表 " + std::to_string(LXW_COL_MAX) + " 列的上限";
    }
    // Its rows, the header and the two title lines.
    if (table.rows + 3 > LXW_ROW_MAX) {
      return "工作表“" + table.sheet + "”有 " + std::to_string(table.rows + 3) +
             " 行，超过工作簿每张工作表 " + std::to_string(LXW_ROW_MAX) + " 行的上限";
    }
  }
  return "";
}

}  // namespace generatesheet::cli
