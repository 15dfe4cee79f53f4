// The column types of a Jet 4 file and the values stored in them.
#ifndef GENERATESHEET_DATA_JET_VALUES_H_
#define GENERATESHEET_DATA_JET_VALUES_H_

#include <span>
#include <string>

#include "data/jet_format.h"
#include "data/jet_page.h"
#include "data/table.h"
#include "data/value.h"

namespace generatesheet {

// How values of the type compare.
ColumnKind JetColumnKind(int type);

// The name the independent reader mdb-reader gives the type: "boolean",
// "byte", "integer", "long", "currency", "float", "double", "datetime",
// "binary", "text", "ole", "memo", "repid", "numeric", "complex", "bigint",
// or "unknown".
const char* JetTypeName(int type);

// Whether values of the type are kept in a long value (memo, OLE).
inline bool IsLongValueType(int type) { return type == kJetMemo || type == kJetOle; }

// Where a field lies, for messages.
struct FieldPlace {
  const std::string& path;
  const std::string& table;
  const std::string& column;
  // "表 TABLE 字段 COLUMN"
  std::string Describe() const { return "表 " + table + " 字段 " + column; }
};

// The value of one field: `data` is the stored bytes, or for a long value
// type its whole data.  `scale` matters for numeric columns only.  Throws
// Error naming the file, table and column when a value is short.
Value DecodeJetValue(int type, int scale, bool is_null, std::span<const unsigned char> data,
                     const FieldPlace& place);

}  // namespace generatesheet

#endif  // GENERATESHEET_DATA_JET_VALUES_H_
