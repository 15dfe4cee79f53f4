// One table held in memory: its columns and every row, read once from the
// database file.  Equality lookups go through an index built for a column
// on its first use, so repeated lookups cost O(1) each.
#ifndef GENERATESHEET_DATA_TABLE_H_
#define GENERATESHEET_DATA_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "data/value.h"

namespace generatesheet {

// How a column takes part in comparisons.
enum class ColumnKind {
  kBoolean,  // Yes/No
  kNumber,   // Byte, Integer, Long, Single, Double, Currency, Decimal
  kText,     // Text, Memo
  kOther,    // Date/Time, binary, OLE, replication id: never compared
};

struct Column {
  std::string name;
  ColumnKind kind;
};

class Table {
 public:
  Table(std::string name, std::vector<Column> columns);
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  const std::string& name() const { return name_; }
  const std::vector<Column>& columns() const { return columns_; }
  // The column named `name` (case-insensitive), if any.
  std::optional<std::size_t> FindColumn(std::string_view name) const;

  // `row` holds one value per column, in column order.
  void AddRow(std::vector<Value> row);
  std::size_t row_count() const { return rows_.size(); }
  const std::vector<Value>& row(std::size_t i) const { return rows_[i]; }

  // The rows whose `column` equals `key` under Jet's equality (text without
  // regard to case, numbers by value; Null equals nothing), in table order.
  // The caller has checked that `key` is comparable with the column.
  const std::vector<std::size_t>& RowsEqualTo(std::size_t column, const Value& key) const;

 private:
  // The rows of one column by value: text by its folded form, numbers
  // (and Yes/No) by their value, every NaN under one key.
  struct Index {
    std::unordered_map<std::string, std::vector<std::size_t>> texts;
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> numbers;  // by NumberKey
  };
  static Index BuildIndex(const std::vector<std::vector<Value>>& rows, std::size_t column);

  std::string name_;
  std::vector<Column> columns_;
  std::vector<std::vector<Value>> rows_;
  mutable std::unordered_map<std::size_t, Index> indexes_;
};

// Jet's equality: text without regard to case, numbers (and Yes/No, True
// being -1) by value, -0 equal to 0 and NaN to NaN; Null equals nothing,
// and text never equals a number.
bool JetEquals(const Value& a, const Value& b);

}  // namespace generatesheet

#endif  // GENERATESHEET_DATA_TABLE_H_
