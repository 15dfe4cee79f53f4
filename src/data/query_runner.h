// Runs a parsed query over tables from a TableSource, with Jet's meaning:
// names without regard to case; text compared and ordered without regard
// to case; Nulls first in ascending order (a Null equals nothing); the
// order stable; "top n" with an order keeps rows tied with the n-th.  A
// quoted literal against a number column, or a number against a text
// column, is a data type mismatch.  Equality on a column is served by the
// table's index, so a join of two tables costs O(rows), not a scan per row.
#ifndef GENERATESHEET_DATA_QUERY_RUNNER_H_
#define GENERATESHEET_DATA_QUERY_RUNNER_H_

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/query.h"
#include "data/table.h"
#include "data/table_source.h"
#include "data/value.h"

namespace generatesheet {

// A result column's names, as spelled in its table (which the result
// keeps alive).
struct ResultColumn {
  std::string_view table;
  std::string_view name;
};

// The rows a query yields, as places in the tables it read: no value is
// copied, and the tables stay alive as long as the result.
class ResultSet {
 public:
  struct Source {
    std::size_t table;   // index into tables()
    std::size_t column;  // that table's column
  };

  ResultSet(std::vector<ResultColumn> columns, std::vector<std::shared_ptr<const Table>> tables,
            std::vector<Source> sources, std::vector<std::size_t> tuples);

  const std::vector<ResultColumn>& columns() const { return columns_; }
  std::size_t row_count() const { return row_count_; }
  // The value of result column `column` in result row `row`.
  const Value& at(std::size_t row, std::size_t column) const {
    const Source& s = sources_[column];
    return tables_[s.table]->row(tuples_[row * tables_.size() + s.table])[s.column];
  }

 private:
  std::vector<ResultColumn> columns_;
  std::vector<std::shared_ptr<const Table>> tables_;
  std::vector<Source> sources_;      // one per result column
  std::vector<std::size_t> tuples_;  // for each row, the row of each table
  std::size_t row_count_;
};

// Throws Error naming the query for an unknown table or column, an
// ambiguous column, a table named twice, or a data type mismatch.
ResultSet RunQuery(const Query& query, TableSource& source);

}  // namespace generatesheet

#endif  // GENERATESHEET_DATA_QUERY_RUNNER_H_
