// Where the query engine finds its tables: an open database, or tables
// built in memory.
#ifndef GENERATESHEET_DATA_TABLE_SOURCE_H_
#define GENERATESHEET_DATA_TABLE_SOURCE_H_

#include <memory>
#include <string_view>

#include "data/table.h"

namespace generatesheet {

class TableSource {
 public:
  virtual ~TableSource() = default;
  // The table named `name` (case-insensitive), shared: results that point
  // into its rows keep it alive after the source lets it go.  Throws Error
  // when there is no such table.
  virtual std::shared_ptr<const Table> GetTable(std::string_view name) = 0;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_DATA_TABLE_SOURCE_H_
