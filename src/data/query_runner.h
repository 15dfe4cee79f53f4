// Runs a parsed query over tables from a TableSource, with Jet's meaning:
// names without regard to case; text compared and ordered without regard
// to case; Nulls first in ascending order (a Null equals nothing); the
// order stable; "top n" with an order keeps rows tied with the n-th.  A
// quoted literal against a number column, or a number against a text
// column, is a data type mismatch.  Equality on a column is served by the
// table's index, so a join of two tables costs O(rows), not a scan per row.
#ifndef GENERATESHEET_DATA_QUERY_RUNNER_H_
#define GENERATESHEET_DATA_QUERY_RUNNER_H_

#include <string>
#include <vector>

#include "data/query.h"
#include "data/table_source.h"
#include "data/value.h"

namespace generatesheet {

struct ResultColumn {
  std::string table;  // the table's own spelling
  std::string name;
};

struct ResultSet {
  std::vector<ResultColumn> columns;
  std::vector<std::vector<Value>> rows;  // one value per column
};

// Throws Error naming the query for an unknown table or column, an
// ambiguous column, a table named twice, or a data type mismatch.
ResultSet RunQuery(const Query& query, TableSource& source);

}  // namespace generatesheet

#endif  // GENERATESHEET_DATA_QUERY_RUNNER_H_
