#include "data/table.h"

#include <charconv>
#include <cmath>

#include "data/collation.h"

namespace generatesheet {

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
  if (found == indexes_.end()) {
    Index index;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
      if (auto k = EqualityKey(rows_[i][column])) index[*k].push_back(i);
    }
    found = indexes_.emplace(column, std::move(index)).first;
  }
  auto k = EqualityKey(key);
  if (!k) return kNone;
  auto rows = found->second.find(*k);
  return rows == found->second.end() ? kNone : rows->second;
}

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

}  // namespace

std::optional<std::string> EqualityKey(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::kNull:
      return std::nullopt;
    case Value::Kind::kText:
      return "t" + FoldCase(value.text());
    default:
      break;
  }
  char buf[40];
  auto r = std::to_chars(buf, buf + sizeof buf, KeyNumber(value));
  return "n" + std::string(buf, r.ptr);
}

bool JetEquals(const Value& a, const Value& b) {
  if (a.IsNull() || b.IsNull()) return false;
  const bool a_text = a.kind() == Value::Kind::kText;
  const bool b_text = b.kind() == Value::Kind::kText;
  if (a_text || b_text) return a_text && b_text && EqualsFolded(a.text(), b.text());
  const double x = KeyNumber(a), y = KeyNumber(b);
  return x == y || (std::isnan(x) && std::isnan(y));  // the keys of two NaNs are equal
}

}  // namespace generatesheet
