// A Jet 4 (Access 2000/2003 .mdb) database built in memory and saved as a
// file that libmdb (mdbtools) and mdb-reader read.  It holds user tables of
// Boolean, Integer, Long, Double, Text and Memo columns and no indexes; see
// doc/access-format.md for what is written and the limits.
//
//   jet::Database db;
//   jet::Table& t = db.AddTable("tbl_title", {{"TitleID", jet::ColumnType::kLong},
//                                             {"Title", jet::ColumnType::kMemo}});
//   t.AddRow({1, "第一题"});
//   db.Save(dir + "/Pbase.mdb");
#ifndef GENERATESHEET_BUILDER_JET_DATABASE_H_
#define GENERATESHEET_BUILDER_JET_DATABASE_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "builder/jet/column.h"
#include "builder/jet/table.h"
#include "builder/jet/value.h"

namespace generatesheet::jet {

class Database {
 public:
  Database() = default;
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Declares a table; see Table::Table for what is checked.  Also throws
  // generatesheet::Error when a table of that name (ignoring ASCII case)
  // exists.  The reference stays valid as long as the database.
  Table& AddTable(std::string name, std::vector<Column> columns);

  // The table of that exact name; throws generatesheet::Error if none.
  Table& GetTable(std::string_view name);

  const std::vector<std::unique_ptr<Table>>& tables() const { return tables_; }

  // The whole file.  Throws generatesheet::Error only when a table's data
  // pages span more than a usage map can describe (about 32,000 pages).
  std::string Serialize() const;

  // Writes Serialize() to `path`, replacing any file there.  Throws
  // generatesheet::Error naming the path when it cannot be written.
  void Save(const std::string& path) const;

 private:
  std::vector<std::unique_ptr<Table>> tables_;
};

}  // namespace generatesheet::jet

#endif  // GENERATESHEET_BUILDER_JET_DATABASE_H_
