// The SQL this system sends, parsed.  Exactly these shapes are understood:
//
//   select [top n] * | t.* | [t.]col [, ...] from t [, u]
//          [where a = b {and c = d}] [order by [t.]col [asc|desc]] [;]
//
// where each side of "=" is a column, a quoted literal ('' inside is one
// quote) or a number.  Keywords and names are case-insensitive; a name may
// be bracketed ([name]).  Anything else is a syntax error naming the query.
#ifndef GENERATESHEET_DATA_QUERY_H_
#define GENERATESHEET_DATA_QUERY_H_

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "data/value.h"

namespace generatesheet {

struct ColumnRef {
  std::string table;  // empty when the column was named alone
  std::string column;
};

// A literal: Text for a quoted one, Integer or Double for a number.
struct Literal {
  Value value;
  std::string source;  // as written, for messages
};

using Operand = std::variant<ColumnRef, Literal>;

struct Condition {
  Operand left;
  Operand right;
};

struct SelectItem {
  enum class Kind { kAll, kTableAll, kColumn } kind;
  ColumnRef ref;  // kTableAll: ref.table only
};

struct Query {
  std::string text;
  std::optional<long long> top;
  std::vector<SelectItem> items;
  std::vector<std::string> tables;
  std::vector<Condition> where;
  std::optional<ColumnRef> order_by;
  bool descending = false;
};

// Throws Error ("查询语句语法错误…" with the query) for anything outside the
// shapes above.
Query ParseQuery(std::string_view text);

}  // namespace generatesheet

#endif  // GENERATESHEET_DATA_QUERY_H_
