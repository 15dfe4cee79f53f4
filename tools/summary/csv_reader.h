// A reader for CSV text as RFC 4180 writes it: fields separated by ",",
// records by CRLF, LF or CR alone, fields that hold "," or a line break or '"'
// enclosed in '"' with inner '"' doubled.  A leading UTF-8 byte-order mark
// is dropped.
#ifndef GENERATESHEET_TOOLS_SUMMARY_CSV_READER_H_
#define GENERATESHEET_TOOLS_SUMMARY_CSV_READER_H_

#include <string>
#include <string_view>
#include <vector>

namespace generatesheet::cli {

struct CsvRecord {
  size_t line = 0;  // 1-based line on which the record starts
  std::vector<std::string> fields;
};

// Every record of `text`, blank lines left out.  Throws Error naming
// `source` and the line for an unterminated quoted field or text after a
// closing quote.
std::vector<CsvRecord> ParseCsv(std::string_view text, const std::string& source);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUMMARY_CSV_READER_H_
