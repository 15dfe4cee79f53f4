#include "tools/summary/csv_reader.h"

#include "util/error.h"

namespace generatesheet::cli {

namespace {

class CsvParser {
 public:
  CsvParser(std::string_view text, const std::string& source) : text_(text), source_(source) {
    if (text_.starts_with("\xEF\xBB\xBF")) text_.remove_prefix(3);
  }

  std::vector<CsvRecord> Parse() {
    std::vector<CsvRecord> records;
    while (pos_ < text_.size()) {
      CsvRecord record;
      record.line = line_;
      if (ReadRecord(record.fields)) records.push_back(std::move(record));
    }
    return records;
  }

 private:
  // Reads one record up to and including its line end; false for a blank
  // line.
  bool ReadRecord(std::vector<std::string>& fields) {
    if (AtLineEnd()) {
      SkipLineEnd();
      return false;
    }
    for (;;) {
      fields.push_back(ReadField());
      if (pos_ >= text_.size()) return true;
      if (text_[pos_] == ',') {
        ++pos_;
        continue;
      }
      SkipLineEnd();
      return true;
    }
  }

  std::string ReadField() {
    if (pos_ < text_.size() && text_[pos_] == '"') return ReadQuotedField();
    const size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] != ',' && !AtLineEnd()) ++pos_;
    return std::string(text_.substr(start, pos_ - start));
  }

  std::string ReadQuotedField() {
    const size_t opening_line = line_;
    ++pos_;  // the opening quote
    std::string field;
    for (;;) {
      if (pos_ >= text_.size()) {
        throw Error("清单格式错误：" + source_ + " 第 " + std::to_string(opening_line) +
                    " 行的引号字段没有结束引号");
      }
      const char c = text_[pos_++];
      if (c == '"') {
        if (pos_ < text_.size() && text_[pos_] == '"') {
          field += '"';
          ++pos_;
          continue;
        }
        if (pos_ < text_.size() && text_[pos_] != ',' && !AtLineEnd()) {
          throw Error("清单格式错误：" + source_ + " 第 " + std::to_string(line_) +
                      " 行的结束引号后还有字符");
        }
        return field;
      }
      if (c == '\n' || (c == '\r' && (pos_ >= text_.size() || text_[pos_] != '\n'))) ++line_;
      field += c;
    }
  }

  // LF, CRLF, or a lone CR as old spreadsheet programs end lines.
  bool AtLineEnd() const {
    return pos_ < text_.size() && (text_[pos_] == '\n' || text_[pos_] == '\r');
  }

  void SkipLineEnd() {
    if (text_.substr(pos_, 2) == "\r\n") {
      pos_ += 2;
    } else if (pos_ < text_.size()) {
      ++pos_;
    }
    ++line_;
  }

  std::string_view text_;
  const std::string& source_;
  size_t pos_ = 0;
  size_t line_ = 1;
};

}  // namespace

std::vector<CsvRecord> ParseCsv(std::string_view text, const std::string& source) {
  return CsvParser(text, source).Parse();
}

}  // namespace generatesheet::cli
