// Reads whole tables of one Access (Jet 4) database file through libmdb.
//
// libmdb parses the file header, the table definitions and the rows
// (mdb_crack_row); this reader walks the pages itself and checks every
// pointer it follows against the file, so a damaged file gives an Error
// naming it instead of a crash.  Text and memo values are decoded from their
// raw bytes (nothing truncated, every character kept) and numbers from their
// binary form, independent of the locale.
//
// Not thread-safe: one reader belongs to one thread at a time.
#ifndef GENERATESHEET_DATA_MDB_READER_H_
#define GENERATESHEET_DATA_MDB_READER_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/table.h"

namespace generatesheet {

class MdbReader {
 public:
  // Opens the file at `path` (a native path) and reads its catalog.  Throws
  // Error naming the file when it is missing or unreadable, is not a Jet 4
  // database, or its catalog is damaged.
  explicit MdbReader(const std::string& path);
  ~MdbReader();
  MdbReader(const MdbReader&) = delete;
  MdbReader& operator=(const MdbReader&) = delete;

  // The names of the user tables (not the MSys* system tables), in catalog
  // order.
  std::vector<std::string> UserTableNames() const;

  // Every row of the table named `name` (case-insensitive).  Throws Error
  // when there is no such table or its pages are damaged.
  std::unique_ptr<Table> ReadTable(std::string_view name);

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_DATA_MDB_READER_H_
