#include "tools/summary/csv_writer.h"

#include <algorithm>
#include <string_view>

namespace generatesheet::cli {

namespace {

// "12", "-3", "+0.5", "-.25": a number a spreadsheet reads as one.
bool IsPlainNumber(std::string_view text) {
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
  const size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  const auto digits = [](std::string_view part) {
    return std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  return whole.size() + fraction.size() > 0 && digits(whole) && digits(fraction);
}

// Names and subjects come from manifests: a spreadsheet program would run a
// cell that opens like a formula, so such a cell (a number aside) is made
// text by a leading "'".
std::string InertCell(const std::string& text) {
  if (text.empty() || std::string_view("=+-@\t\r").find(text.front()) == std::string::npos ||
      IsPlainNumber(text)) {
    return text;
  }
  return "'" + text;
}

std::string CsvField(const std::string& cell) {
  const std::string text = InertCell(cell);
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

}  // namespace

std::string CsvLine(const std::vector<std::string>& fields) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += ',';
    line += CsvField(fields[i]);
  }
  return line + "\r\n";
}

}  // namespace generatesheet::cli
