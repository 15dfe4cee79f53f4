// Reading the class summary's files back in tests: CSV lines and fields,
// and the workbook through openpyxl (Debian python3-openpyxl), a reader
// independent of the one that writes it (tests/tools/read_workbook.py).
#ifndef GENERATESHEET_TESTS_TOOLS_SUMMARY_FILES_H_
#define GENERATESHEET_TESTS_TOOLS_SUMMARY_FILES_H_

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

namespace generatesheet::testing {

// The lines of a CSV file, without their CR LF.
std::vector<std::string> CsvLines(const std::string& text);
// The fields of a CSV line of cells that hold no comma or quote.
std::vector<std::string> Fields(const std::string& line);

// Today's date as the summary shows it, "YYYY-MM-DD".
std::string RunDateForTest();

// The sheets of a workbook as tests/tools/read_workbook.py gives them.
nlohmann::json ReadWorkbook(const std::string& path);

// One sheet of a workbook read by ReadWorkbook, its cells found by the
// names of the header row.
class Sheet {
 public:
  Sheet(const nlohmann::json& book, const std::string& name);
  const nlohmann::json& json() const { return sheet_; }
  size_t rows() const { return sheet_["rows"].size(); }
  std::vector<std::string> Header() const;
  // The first row whose cells hold the values `where` gives for their columns.
  size_t Row(const std::vector<std::pair<std::string, nlohmann::json>>& where) const;
  const nlohmann::json& Cell(size_t row, const std::string& name) const;
  // The number in a cell, checked to be shown with `format`.
  double Number(size_t row, const std::string& name, const std::string& format) const;

 private:
  nlohmann::json sheet_;
};

}  // namespace generatesheet::testing

#endif  // GENERATESHEET_TESTS_TOOLS_SUMMARY_FILES_H_
