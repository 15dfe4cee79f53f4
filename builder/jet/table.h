// A table being built for a Jet 4 database: its columns and the rows added
// so far, validated and encoded as they are added.
#ifndef GENERATESHEET_BUILDER_JET_TABLE_H_
#define GENERATESHEET_BUILDER_JET_TABLE_H_

#include <string>
#include <vector>

#include "builder/jet/column.h"
#include "builder/jet/table_layout.h"
#include "builder/jet/value.h"

namespace generatesheet::jet {

class Table {
 public:
  // Throws generatesheet::Error when the name or a column is invalid: an
  // empty or over-long (64 characters) name, no columns or more than 255,
  // a column name repeated (ignoring ASCII case), a text length outside
  // 1..255, text that is not UTF-8.
  Table(std::string name, std::vector<Column> columns);

  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  // Appends one row, one value per column in column order.  Accepted values:
  // Boolean <- bool (never Null); Integer <- integer in -32768..32767;
  // Long <- integer in -2^31..2^31-1; Double <- double, or an integer a
  // double holds exactly; Text <- UTF-8 of at most text_length UTF-16 code
  // units; Memo <- UTF-8 of at most 16 MiB - 1 bytes as UTF-16.  Null fits
  // every other column.  Throws generatesheet::Error naming the table, the
  // row and the column when a value does not fit, or when the row would not
  // fit on one page (about 4000 bytes; memos longer than 64 bytes count 12).
  // The table is unchanged after a throw.
  void AddRow(const std::vector<Value>& values);

  const std::string& name() const { return name_; }
  const std::vector<Column>& columns() const { return columns_; }
  size_t row_count() const { return rows_.size(); }

  // For the file writer.
  const TableLayout& layout() const { return layout_; }
  const std::vector<std::vector<Field>>& rows() const { return rows_; }

 private:
  Field EncodeField(size_t column, const Value& value) const;
  std::string Where(size_t column) const;

  std::string name_;
  std::vector<Column> columns_;
  TableLayout layout_;
  std::vector<std::vector<Field>> rows_;
};

}  // namespace generatesheet::jet

#endif  // GENERATESHEET_BUILDER_JET_TABLE_H_
