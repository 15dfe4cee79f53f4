#include "tools/summary/xlsx_workbook.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>

#include "util/error.h"
#include "util/path.h"

namespace generatesheet::cli {

namespace {

// The most characters a cell holds; counted here in bytes, which is never
// fewer, and cut where a UTF-8 character begins.
constexpr size_t kCellText = 32767;

std::string CellText(const std::string& text) {
  if (text.size() <= kCellText) return text;
  size_t end = kCellText;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

// Refuses a folder where the workbook should be before anything is made.
const std::string& NotAFolder(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    throw Error("目标路径是一个文件夹：" + path);
  }
  return path;
}

}  // namespace

XlsxWorkbook::XlsxWorkbook(const std::string& path)
    : path_(path), scratch_(ParentFolder(path)), file_(NotAFolder(path), 0644) {
  // The library's own scratch files go beside the workbook (and are
  // unlinked as soon as they are open), not to a /tmp that may be small.
  lxw_workbook_options options = {};
  options.constant_memory = LXW_TRUE;
  options.tmpdir = scratch_.data();
  book_ = workbook_new_opt(file_.temp_path().c_str(), &options);
  if (book_ == nullptr) throw Error("无法创建工作簿：" + path_);
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

void XlsxSheet::Header(const std::vector<std::string>& names, lxw_format* format,
                       int frozen_columns) {
  for (const std::string& name : names) Text(name, format);
  columns_ = column_;
  worksheet_freeze_panes(sheet_, 1, static_cast<lxw_col_t>(frozen_columns));
  // Wide enough for a short Chinese heading or a number.
  if (columns_ > 0) Check(worksheet_set_column(sheet_, 0, columns_ - 1, 12, nullptr));
}

void XlsxSheet::NextRow() {
  columns_ = std::max(columns_, column_);
  ++row_;
  column_ = 0;
}

void XlsxSheet::Text(const std::string& text, lxw_format* format) {
  Check(worksheet_write_string(sheet_, row_, column_, CellText(text).c_str(), format));
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

void XlsxSheet::Finish() {
  columns_ = std::max(columns_, column_);
  if (columns_ == 0) return;
  Check(worksheet_autofilter(sheet_, 0, 0, row_, columns_ - 1));
}

void XlsxSheet::Check(lxw_error error) const {
  book_.Check(error, "工作表“" + name_ + "”第 " + std::to_string(row_ + 1) + " 行");
}

}  // namespace generatesheet::cli
