#include "tools/summary/summary_table.h"

#include <cmath>
#include <cstdio>

#include "tools/summary/csv_writer.h"
#include "tools/summary/student_score.h"

namespace generatesheet::cli {

TableCell TableCell::Text(std::string text, bool flagged) {
  TableCell cell;
  cell.kind = Kind::kText;
  cell.text = std::move(text);
  cell.flagged = flagged;
  return cell;
}

TableCell TableCell::FileLink(std::string file) {
  TableCell cell = Text(std::move(file));
  cell.link = !cell.text.empty();
  return cell;
}

TableCell TableCell::Decimal(const std::string& text) {
  TableCell cell;
  if (text.empty()) return cell;
  const std::optional<double> value = DecimalValue(text);
  if (!value) return Text(text);
  cell.kind = Kind::kNumber;
  cell.number = *value;
  cell.text = text;
  return cell;
}

TableCell TableCell::Score(double value) {
  TableCell cell;
  if (!std::isfinite(value)) return cell;
  cell.kind = Kind::kNumber;
  cell.number = value;
  cell.text = ShortestDecimal(value);
  return cell;
}

TableCell TableCell::Count(std::optional<size_t> n) {
  TableCell cell;
  cell.format = CellFormat::kWhole;
  if (!n) return cell;
  cell.kind = Kind::kNumber;
  cell.number = static_cast<double>(*n);
  cell.text = std::to_string(*n);
  return cell;
}

TableCell TableCell::Figure(std::optional<double> value, CellFormat format, int digits,
                            bool flagged) {
  TableCell cell;
  cell.format = format;
  cell.flagged = flagged;
  if (!value || !std::isfinite(*value)) return cell;
  cell.kind = Kind::kNumber;
  cell.number = *value;
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", digits, *value);
  cell.text = text;
  return cell;
}

std::string TableCsv(const SummaryTable& table) {
  std::string csv = kBom;
  if (!table.note.empty()) csv += CsvLine({table.note});
  csv += CsvLine(table.header);
  std::vector<std::string> fields;
  for (size_t r = 0; r < table.rows; ++r) {
    fields.clear();
    for (const TableCell& cell : table.row(r)) fields.push_back(cell.text);
    csv += CsvLine(fields);
  }
  return csv;
}

}  // namespace generatesheet::cli
