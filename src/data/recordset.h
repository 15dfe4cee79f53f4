// A forward-only walk over the rows of one query on an open connection.
//
//   Recordset rs;
//   rs.Open("select * from tbl_title where C_DataCode = '86' order by I_QuestionNo", conn);
//   while (!rs.Eof()) { use(rs.Field("M_Title")); rs.MoveNext(); }
//
// Open throws Error for a closed connection, a query outside the supported
// forms (naming the query), an unknown table or column, or a type mismatch.
// Field throws Error for an unknown column or when there is no current row.
#ifndef GENERATESHEET_DATA_RECORDSET_H_
#define GENERATESHEET_DATA_RECORDSET_H_

#include <memory>
#include <string_view>

#include "data/value.h"
#include "generatesheet/connection.h"

namespace generatesheet {

class Recordset {
 public:
  Recordset();
  ~Recordset();
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  // Every recordset is a forward-only read of the whole result, whatever
  // cursor and lock the old interface's callers asked for.
  void Open(std::string_view query, Connection& connection);
  bool Eof() const;
  void MoveNext();
  // The named column of the current row; names are case-insensitive, and a
  // "table.column" result column is found by its bare column name too.
  const Value& Field(std::string_view name) const;
  // Whether Field(name) would find a column; reads no value.  False when
  // the recordset is not open.
  bool HasField(std::string_view name) const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_DATA_RECORDSET_H_
