// The declared type of every column of an Access table, which the data
// layer (interested only in how values compare) does not keep.
#ifndef GENERATESHEET_TOOLS_MDB_COLUMN_TYPES_H_
#define GENERATESHEET_TOOLS_MDB_COLUMN_TYPES_H_

#include <memory>
#include <string>
#include <vector>

namespace generatesheet::cli {

struct ColumnType {
  std::string name;
  // "boolean", "byte", "integer", "long", "currency", "float", "double",
  // "datetime", "binary", "text", "ole", "memo", "repid", "numeric",
  // "complex", "bigint", or "unknown".
  std::string type;
};

// Reads table definitions through libmdb.  Open only files the data layer
// has already read (it checks the pages libmdb relies on).
class MdbColumnTypes {
 public:
  // Throws Error naming the file when libmdb cannot open it.
  explicit MdbColumnTypes(const std::string& path);
  ~MdbColumnTypes();
  MdbColumnTypes(const MdbColumnTypes&) = delete;
  MdbColumnTypes& operator=(const MdbColumnTypes&) = delete;

  // The columns of `table` in definition order; throws Error naming the
  // table when there is no such table or its definition cannot be read.
  std::vector<ColumnType> Columns(const std::string& table);

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_MDB_COLUMN_TYPES_H_
