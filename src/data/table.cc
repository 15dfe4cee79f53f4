#include "data/table.h"

#include <bit>
#include <cmath>
#include <limits>

#include "data/collation.h"

namespace generatesheet {

namespace {

// A Boolean, integer or double as the number Jet compares; -0 is 0.
double KeyNumber(const Value& value) {
  double number = 0;
  switch (value.kind()) {
    case Value::Kind::kBoolean:
      number = value.boolean() ? -1 : 0;  // Jet's True is -1
      break;
    case Value::Kind::kInteger:
      number = static_cast<double>(value.integer());
      break;
    case Value::Kind::kDouble:
      number = value.real();
      break;
    default:
      break;
  }
  return number == 0 ? 0 : number;
}

// The number as an index key: equal numbers have equal bits once -0 is 0
// and every NaN is one NaN.
std::uint64_t NumberKey(const Value& value) {
  double number = KeyNumber(value);
  if (std::isnan(number)) number = std::numeric_limits<double>::quiet_NaN();
  return std::bit_cast<std::uint64_t>(number);
}

}  // namespace

Table::Table(std::string name, std::vector<Column> columns)
    : name_(std::move(name)), columns_(std::move(columns)) {}

std::optional<std::size_t> Table::FindColumn(std::string_view name) const {
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (EqualsFolded(columns_[i].name, name)) return i;
  }
  return std::nullopt;
}

void Table::AddRow(std::vector<Value> row) {
  row.resize(columns_.size());
  rows_.push_back(std::move(row));
  indexes_.clear();
}

const std::vector<std::size_t>& Table::RowsEqualTo(std::size_t column, const Value& key) const {
  static const std::vector<std::size_t> kNone;
  auto found = indexes_.find(column);
  if (found == indexes_.end()) found = indexes_.emplace(column, BuildIndex(rows_, column)).first;
  const Index& index = found->second;
  if (key.IsNull()) return kNone;
  if (key.kind() == Value::Kind::kText) {
    auto rows = index.texts.find(FoldCase(key.text()));
    return rows == index.texts.end() ? kNone : rows->second;
  }
  auto rows = index.numbers.find(NumberKey(key));
  return rows == index.numbers.end() ? kNone : rows->second;
}

Table::Index Table::BuildIndex(const std::vector<std::vector<Value>>& rows, std::size_t column) {
  Index index;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Value& v = rows[i][column];
    if (v.IsNull()) continue;
    if (v.kind() == Value::Kind::kText) {
      index.texts[FoldCase(v.text())].push_back(i);
    } else {
      index.numbers[NumberKey(v)].push_back(i);
    }
  }
  return index;
}

bool JetEquals(const Value& a, const Value& b) {
  if (a.IsNull() || b.IsNull()) return false;
  const bool a_text = a.kind() == Value::Kind::kText;
  const bool b_text = b.kind() == Value::Kind::kText;
  if (a_text || b_text) return a_text && b_text && EqualsFolded(a.text(), b.text());
  return NumberKey(a) == NumberKey(b);
}

}  // namespace generatesheet
