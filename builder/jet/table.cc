#include "builder/jet/table.h"

#include <bit>
#include <cstdint>
#include <limits>
#include <set>

#include "builder/jet/jet_format.h"
#include "builder/jet/text_encoding.h"
#include "util/error.h"

namespace generatesheet::jet {

namespace {

constexpr size_t kMaxNameLength = 64;
constexpr size_t kMaxColumns = 255;

std::string AsciiLower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

void CheckName(const std::string& name, const std::string& what) {
  std::optional<std::u16string> units = Utf8ToUtf16(name);
  if (!units) throw Error(what + "不是有效的 UTF-8");
  if (units->empty()) throw Error(what + "为空");
  if (!JetTextBytes(*units)) throw Error(what + " " + name + " 以 U+FEFF 开头，无法存储");
  if (units->size() > kMaxNameLength) {
    throw Error(what + " " + name + " 超过 " + std::to_string(kMaxNameLength) + " 个字符");
  }
}

ColumnLayout LayoutOf(const Column& column) {
  ColumnLayout c;
  c.name = column.name;
  c.fixed = true;
  switch (column.type) {
    case ColumnType::kBoolean:
      c.type_code = kJetBoolean, c.length = 1;
      break;
    case ColumnType::kInteger:
      c.type_code = kJetInteger, c.length = 2;
      break;
    case ColumnType::kLong:
      c.type_code = kJetLong, c.length = 4;
      break;
    case ColumnType::kDouble:
      c.type_code = kJetDouble, c.length = 8;
      break;
    case ColumnType::kText:
      c.type_code = kJetText, c.fixed = false;
      c.length = static_cast<uint16_t>(column.text_length * 2);
      break;
    case ColumnType::kMemo:
      c.type_code = kJetMemo, c.fixed = false, c.length = 0;
      break;
  }
  return c;
}

std::string LittleEndian(uint64_t v, size_t bytes) {
  std::string out(bytes, '\0');
  for (size_t i = 0; i < bytes; ++i) out[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return out;
}

}  // namespace

Table::Table(std::string name, std::vector<Column> columns)
    : name_(std::move(name)), columns_(std::move(columns)) {
  CheckName(name_, "表名");
  if (columns_.empty()) throw Error("表 " + name_ + " 没有列");
  if (columns_.size() > kMaxColumns) {
    throw Error("表 " + name_ + " 有 " + std::to_string(columns_.size()) + " 列，最多 " +
                std::to_string(kMaxColumns) + " 列");
  }
  std::set<std::string> seen;
  std::vector<ColumnLayout> layouts;
  for (const Column& column : columns_) {
    CheckName(column.name, "表 " + name_ + " 的列名");
    if (!seen.insert(AsciiLower(column.name)).second) {
      throw Error("表 " + name_ + " 的列名 " + column.name + " 重复");
    }
    if (column.type == ColumnType::kText && (column.text_length < 1 || column.text_length > 255)) {
      throw Error("表 " + name_ + " 的文本列 " + column.name + " 长度 " +
                  std::to_string(column.text_length) + " 不在 1 到 255 之间");
    }
    layouts.push_back(LayoutOf(column));
  }
  layout_ = LayOut(std::move(layouts));
}

std::string Table::Where(size_t column) const {
  return "表 " + name_ + " 第 " + std::to_string(rows_.size() + 1) + " 行的" +
         ColumnTypeName(columns_[column].type) + "列 " + columns_[column].name;
}

Field Table::EncodeField(size_t column, const Value& value) const {
  const Column& c = columns_[column];
  const auto mismatch = [&] { return Error(Where(column) + " 不能存放" + value.KindName()); };
  Field f;
  if (value.is_null()) {
    if (c.type == ColumnType::kBoolean) throw Error(Where(column) + " 不能为 Null");
    return f;
  }
  f.present = true;
  switch (c.type) {
    case ColumnType::kBoolean:
      if (!value.is_bool()) throw mismatch();
      f.present = value.as_bool();
      return f;
    case ColumnType::kInteger:
    case ColumnType::kLong: {
      if (!value.is_integer()) throw mismatch();
      const int64_t v = value.as_integer();
      const bool shrt = c.type == ColumnType::kInteger;
      const int64_t lo =
          shrt ? std::numeric_limits<int16_t>::min() : std::numeric_limits<int32_t>::min();
      const int64_t hi =
          shrt ? std::numeric_limits<int16_t>::max() : std::numeric_limits<int32_t>::max();
      if (v < lo || v > hi) {
        throw Error(Where(column) + " 的值 " + std::to_string(v) + " 超出范围 " +
                    std::to_string(lo) + " 到 " + std::to_string(hi));
      }
      f.bytes = LittleEndian(static_cast<uint64_t>(v), shrt ? 2 : 4);
      return f;
    }
    case ColumnType::kDouble: {
      double d;
      if (value.is_double()) {
        d = value.as_double();
      } else if (value.is_integer()) {
        d = static_cast<double>(value.as_integer());
        if (d >= 0x1p63 || static_cast<int64_t>(d) != value.as_integer()) {
          throw Error(Where(column) + " 无法精确存放整数 " + std::to_string(value.as_integer()));
        }
      } else {
        throw mismatch();
      }
      f.bytes = LittleEndian(std::bit_cast<uint64_t>(d), 8);
      return f;
    }
    case ColumnType::kText:
    case ColumnType::kMemo: {
      if (!value.is_text()) throw mismatch();
      std::optional<std::u16string> units = Utf8ToUtf16(value.as_text());
      if (!units) throw Error(Where(column) + " 的值不是有效的 UTF-8");
      if (c.type == ColumnType::kText && units->size() > static_cast<size_t>(c.text_length)) {
        throw Error(Where(column) + " 的值有 " + std::to_string(units->size()) +
                    " 个 UTF-16 单元，超过列长 " + std::to_string(c.text_length));
      }
      std::optional<std::string> bytes = JetTextBytes(*units);
      if (!bytes) {
        throw Error(Where(column) + " 的值以 U+FEFF 开头且含低字节为 0 的字符，无法存储");
      }
      if (bytes->size() > kMaxMemoBytes) {
        throw Error(Where(column) + " 的值有 " + std::to_string(bytes->size()) +
                    " 字节，超过上限 " + std::to_string(kMaxMemoBytes));
      }
      f.bytes = std::move(*bytes);
      return f;
    }
  }
  return f;
}

void Table::AddRow(const std::vector<Value>& values) {
  if (values.size() != columns_.size()) {
    throw Error("表 " + name_ + " 第 " + std::to_string(rows_.size() + 1) + " 行有 " +
                std::to_string(values.size()) + " 个值，表有 " + std::to_string(columns_.size()) +
                " 列");
  }
  std::vector<Field> fields;
  fields.reserve(values.size());
  for (size_t i = 0; i < values.size(); ++i) fields.push_back(EncodeField(i, values[i]));
  const size_t size = EncodedRowSize(layout_, fields);
  if (size > kMaxRowSize) {
    throw Error("表 " + name_ + " 第 " + std::to_string(rows_.size() + 1) + " 行有 " +
                std::to_string(size) + " 字节，超过一页能容纳的 " + std::to_string(kMaxRowSize) +
                " 字节");
  }
  rows_.push_back(std::move(fields));
}

}  // namespace generatesheet::jet
