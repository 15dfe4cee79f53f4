#include "tools/summary/xlsx_workbook.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <ctime>
#include <filesystem>

#include "util/error.h"
#include "util/path.h"

namespace generatesheet::cli {

namespace {

// The most characters a cell holds; counted here in bytes, which is never
// fewer, and cut where a UTF-8 character begins.
constexpr size_t kCellText = 32767;

constexpr time_t kFixedDate = 946684800;  // 2000-01-01T00:00:00Z

std::string CellText(const std::string& text) {
  if (text.size() <= kCellText) return text;
  size_t end = kCellText;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// The length of the well-formed UTF-8 character at `at` and its code point;
// 0 when the bytes there are not one.
size_t Utf8Char(const std::string& text, size_t at, char32_t& code) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  size_t length = lead < 0x80           ? 1
                  : (lead >> 5) == 0x6  ? 2
                  : (lead >> 4) == 0xE  ? 3
                  : (lead >> 3) == 0x1E ? 4
                                        : 0;
  if (length == 0 || at + length > text.size()) return 0;
  code = length == 1 ? lead : lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(at + i) & 0x3F);
  }
  static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

// XML 1.0 allows no control character but tab and line ends, and not
// U+FFFE or U+FFFF.
bool XmlAllows(char32_t code) {
  if (code < 0x20) return code == '\t' || code == '\n' || code == '\r';
  return code != 0xFFFE && code != 0xFFFF;
}

}  // namespace

size_t XmlSafe(std::string& text) {
  size_t replaced = 0;
  std::string out;
  for (size_t at = 0; at < text.size();) {
    char32_t code = 0;
    const size_t length = Utf8Char(text, at, code);
    if (length > 0 && XmlAllows(code)) {
      out.append(text, at, length);
      at += length;
    } else {
      out += kReplacement;
      ++replaced;
      at += length > 0 ? length : 1;
    }
  }
  if (replaced > 0) text = std::move(out);
  return replaced;
}

namespace {

// Refuses a folder where the workbook should be before anything is made.
const std::string& NotAFolder(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    throw Error("目标路径是一个文件夹：" + path);
  }
  return path;
}

}  // namespace

XlsxWorkbook::XlsxWorkbook(const std::string& path, const std::string& title)
    : path_(path), scratch_(ParentFolder(path)), file_(NotAFolder(path), 0644) {
  // The library's own scratch files go beside the workbook (and are
  // unlinked as soon as they are open), not to a /tmp that may be small.
  lxw_workbook_options options = {};
  options.constant_memory = LXW_TRUE;
  options.tmpdir = scratch_.data();
  book_ = workbook_new_opt(file_.temp_path().c_str(), &options);
  if (book_ == nullptr) throw Error("无法创建工作簿：" + path_);
  // A date of its own would make two workbooks of the same figures differ:
  // the workbook carries a fixed one (2000-01-01), as its figures carry none.
  lxw_doc_properties properties = {};
  properties.created = kFixedDate;
  std::string safe_title = title;
  XmlSafe(safe_title);
  if (!safe_title.empty()) properties.title = safe_title.data();
  Check(workbook_set_properties(book_, &properties), "文档属性");
}

XlsxWorkbook::~XlsxWorkbook() {
  // Freed without writing: the temporary file is removed after.
  if (book_ != nullptr) lxw_workbook_free(book_);
}

lxw_format* XlsxWorkbook::Format(std::string_view number_format, Look look) {
  lxw_format* format = workbook_add_format(book_);
  if (format == nullptr) throw Error("无法创建工作簿的单元格格式：" + path_);
  if (!number_format.empty()) format_set_num_format(format, std::string(number_format).c_str());
  if (look == Look::kHeader) {
    format_set_bold(format);
    format_set_bg_color(format, 0xF6F8FA);
    format_set_bottom(format, LXW_BORDER_THIN);
  } else if (look == Look::kFlagged) {
    format_set_bg_color(format, 0xFFEBE9);
    format_set_font_color(format, 0xA40E26);
  } else if (look == Look::kTitle) {
    format_set_bold(format);
    format_set_font_size(format, 14);
  } else if (look == Look::kLink) {
    format_set_underline(format, LXW_UNDERLINE_SINGLE);
    format_set_font_color(format, 0x0B5CAD);
  }
  return format;
}

XlsxSheet XlsxWorkbook::AddSheet(const std::string& name) {
  lxw_worksheet* sheet = workbook_add_worksheet(book_, name.c_str());
  if (sheet == nullptr) throw Error("无法在工作簿中添加工作表“" + name + "”：" + path_);
  return XlsxSheet(*this, sheet, name);
}

void XlsxWorkbook::Commit() {
  errno = 0;
  const lxw_error error = workbook_close(book_);
  const int system_error = errno;
  book_ = nullptr;
  if (error != LXW_NO_ERROR) {
    std::string reason = lxw_strerror(error);
    if (system_error != 0) reason += "；" + ErrnoText(system_error);
    throw Error("无法写出工作簿：" + path_ + "（" + reason + "）");
  }
  file_.Commit();
}

void XlsxWorkbook::Check(lxw_error error, const std::string& where) const {
  if (error == LXW_NO_ERROR) return;
  throw Error("无法写出工作簿：" + path_ + "（" + where + "：" + lxw_strerror(error) + "）");
}

XlsxSheet::XlsxSheet(XlsxWorkbook& book, lxw_worksheet* sheet, std::string name)
    : book_(book), sheet_(sheet), name_(std::move(name)) {}

void XlsxSheet::Title(const std::vector<std::string>& lines, lxw_format* first, lxw_format* rest) {
  for (size_t i = 0; i < lines.size(); ++i) {
    Text(lines[i], i == 0 ? first : rest);
    ++row_;
    column_ = 0;
  }
}

void XlsxSheet::Header(const std::vector<std::string>& names, lxw_format* format,
                       int frozen_columns) {
  header_row_ = row_;
  for (const std::string& name : names) Text(name, format);
  columns_ = column_;
  worksheet_freeze_panes(sheet_, header_row_ + 1, static_cast<lxw_col_t>(frozen_columns));
  // Printed across A4, as wide as the page (as many pages down as it takes),
  // the title and header on every page, numbered.
  worksheet_set_paper(sheet_, 9);  // A4
  worksheet_set_landscape(sheet_);
  worksheet_fit_to_pages(sheet_, 1, 0);
  Check(worksheet_repeat_rows(sheet_, 0, header_row_));
  Check(worksheet_set_footer(sheet_, "&C第 &P 页，共 &N 页"));
  // Wide enough for a short Chinese heading or a number.
  if (columns_ > 0) Check(worksheet_set_column(sheet_, 0, columns_ - 1, 12, nullptr));
}

void XlsxSheet::NextRow() {
  columns_ = std::max(columns_, column_);
  ++row_;
  column_ = 0;
}

void XlsxSheet::Text(const std::string& text, lxw_format* format) {
  std::string safe = CellText(text);
  book_.NoteReplaced(XmlSafe(safe));
  Check(worksheet_write_string(sheet_, row_, column_, safe.c_str(), format));
  ++column_;
}

void XlsxSheet::Number(std::optional<double> value, lxw_format* format) {
  if (value && std::isfinite(*value)) {
    Check(worksheet_write_number(sheet_, row_, column_, *value, format));
  } else if (format != nullptr) {
    // A blank keeps the cell's look (a flagged figure that is unknown).
    Check(worksheet_write_blank(sheet_, row_, column_, format));
  } else if (row_ >= LXW_ROW_MAX || column_ >= LXW_COL_MAX) {
    // An empty cell is not written, but must fit all the same.
    Check(LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE);
  }
  ++column_;
}

void XlsxSheet::FileLink(const std::string& file, lxw_format* format) {
  // A relative link holds the name as a path: none of the characters that
  // would end it or be read as something else, and within the format's
  // length of a link.
  const bool plain =
      !file.empty() && file.size() < 200 && file.front() != '/' &&
      std::none_of(file.begin(), file.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x21 ||
               std::string_view("%?#\\\"'<>[]|*:/").find(c) != std::string_view::npos;
      });
  if (!plain) {
    Text(file);
    return;
  }
  std::string safe = file;
  book_.NoteReplaced(XmlSafe(safe));
  Check(worksheet_write_url_opt(sheet_, row_, column_, ("external:" + safe).c_str(), format,
                                safe.c_str(), nullptr));
  ++column_;
}

void XlsxSheet::Finish() {
  columns_ = std::max(columns_, column_);
  if (columns_ == 0) return;
  Check(worksheet_autofilter(sheet_, header_row_, 0, row_, columns_ - 1));
}

void XlsxSheet::Check(lxw_error error) const {
  book_.Check(error, "工作表“" + name_ + "”第 " + std::to_string(row_ + 1) + " 行");
}

}  // namespace generatesheet::cli
