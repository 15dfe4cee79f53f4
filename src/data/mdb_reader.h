// Reads whole tables of one Access (Jet 4) database file.
//
// libmdb (through MdbFile, its one owner) parses the table definitions and
// cracks the rows; this reader walks the catalog and the pages itself and
// checks every pointer it follows against the file, so a damaged file gives
// an Error naming it instead of a crash, and no read costs more than the
// file's size.  Text and memo values are decoded from their
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

#include "data/jet_page.h"
#include "data/mdb_file.h"
#include "data/table.h"
#include "data/value.h"

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

  // The columns of the table named `name` (case-insensitive) with their
  // declared types; throws as ReadTable.
  std::vector<JetColumn> Columns(std::string_view name);

  // A field as stored, and as read: the bytes in the row (for a memo or OLE
  // value, its 12-byte header and what follows in the row), the whole data
  // of a memo or OLE value, and the value.
  struct StoredField {
    bool is_null = true;
    Bytes stored;
    Bytes long_value;
    Value value;
  };
  struct StoredTable {
    std::string name;
    std::vector<JetColumn> columns;
    std::vector<std::vector<StoredField>> rows;
  };
  // Every row of the table named `name` (case-insensitive) as stored; throws
  // as ReadTable.  For tools and tests that look at the bytes.
  StoredTable ReadStoredTable(std::string_view name);

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_DATA_MDB_READER_H_
