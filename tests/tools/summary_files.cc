#include "tools/summary_files.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <stdexcept>

#include "support/command_output.h"
#include "support/shell_quote.h"
#include "tools/cli_fixture.h"

namespace generatesheet::testing {

std::vector<std::string> CsvLines(const std::string& text) {
  std::vector<std::string> lines = Lines(text);
  for (std::string& line : lines) {
    if (line.ends_with('\r')) line.pop_back();
  }
  return lines;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields(1);
  for (const char c : line) {
    if (c == ',') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

std::string RunDateForTest() {
  const std::time_t now = std::time(nullptr);
  char date[16];
  std::strftime(date, sizeof date, "%Y-%m-%d", std::localtime(&now));
  return date;
}

nlohmann::json ReadWorkbook(const std::string& path) {
  // Debian's openpyxl serves the system's python3, which another python3
  // first on PATH may not see.
  const std::string python =
      std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
  const std::string command = python + " " +
                              ShellQuote(GENERATESHEET_SOURCE_DIR "/tests/tools/read_workbook.py") +
                              " " + ShellQuote(path);
  const CommandOutput output = RunForOutput(command);
  if (!output.exited_zero) {
    throw std::runtime_error("openpyxl could not read " + path +
                             " (is python3-openpyxl installed? scripts/install-deps.sh)");
  }
  return nlohmann::json::parse(output.text);
}

Sheet::Sheet(const nlohmann::json& book, const std::string& name) {
  for (const nlohmann::json& sheet : book["sheets"]) {
    if (sheet["name"] == name) sheet_ = sheet;
  }
  EXPECT_FALSE(sheet_.is_null()) << "no sheet " << name;
}

std::vector<std::string> Sheet::Header() const {
  std::vector<std::string> names;
  for (const nlohmann::json& cell : sheet_["rows"][0]) names.push_back(cell["value"]);
  return names;
}

size_t Sheet::Row(const std::vector<std::pair<std::string, nlohmann::json>>& where) const {
  for (size_t r = 1; r < rows(); ++r) {
    bool all = true;
    for (const auto& [name, value] : where) all = all && Cell(r, name)["value"] == value;
    if (all) return r;
  }
  ADD_FAILURE() << "no such row in " << sheet_["name"];
  return 0;
}

const nlohmann::json& Sheet::Cell(size_t row, const std::string& name) const {
  const std::vector<std::string> names = Header();
  const auto at = std::find(names.begin(), names.end(), name);
  EXPECT_NE(at, names.end()) << name;
  static const nlohmann::json kNone = {{"value", nullptr}, {"format", ""}, {"fill", nullptr}};
  const nlohmann::json& cells = sheet_["rows"][row];
  const size_t column = static_cast<size_t>(at - names.begin());
  return column < cells.size() ? cells[column] : kNone;
}

double Sheet::Number(size_t row, const std::string& name, const std::string& format) const {
  const nlohmann::json& cell = Cell(row, name);
  EXPECT_EQ(cell["format"], format) << name;
  EXPECT_TRUE(cell["value"].is_number()) << name << ": " << cell["value"];
  return cell["value"].is_number() ? cell["value"].get<double>() : std::nan("");
}

}  // namespace generatesheet::testing
