// Places memo text: inline in the row, in one long-value (LVAL) row, or in
// a chain of long-value rows over several pages.
#ifndef GENERATESHEET_BUILDER_JET_LONG_VALUE_STORE_H_
#define GENERATESHEET_BUILDER_JET_LONG_VALUE_STORE_H_

#include <string>
#include <string_view>

#include "builder/jet/page_file.h"

namespace generatesheet::jet {

class LongValueStore {
 public:
  explicit LongValueStore(PageFile* file) : rows_(file, kLongValueOwner) {}

  // Returns the memo field for the row: the 12-byte header, followed by the
  // text itself when it is at most kMaxInlineMemo bytes.  Longer text goes
  // to long-value pages: one row when it fits a page, else a chain of rows
  // each starting with the pointer to the next (0 in the last).
  std::string Place(std::string_view text);

 private:
  RowPageWriter rows_;
};

}  // namespace generatesheet::jet

#endif  // GENERATESHEET_BUILDER_JET_LONG_VALUE_STORE_H_
