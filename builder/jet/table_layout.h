// Where each column of a table lives in a Jet 4 row, and the encoded
// fields of one row before it is laid out.
#ifndef GENERATESHEET_BUILDER_JET_TABLE_LAYOUT_H_
#define GENERATESHEET_BUILDER_JET_TABLE_LAYOUT_H_

#include <cstdint>
#include <string>
#include <vector>

namespace generatesheet::jet {

struct ColumnLayout {
  std::string name;           // UTF-8
  uint8_t type_code = 0;      // kType* of jet_format.h
  bool fixed = false;         // stored in the fixed area of the row
  uint16_t length = 0;        // fixed: bytes in the row; text: most bytes; memo, OLE: 0
  uint16_t number = 0;        // column number, also its bit in the null mask
  uint16_t var_index = 0;     // variable columns: entry in the row's offset table
  uint16_t fixed_offset = 0;  // fixed columns: offset after the 2-byte column count
};

struct TableLayout {
  std::vector<ColumnLayout> columns;
  uint16_t var_count = 0;
  uint16_t fixed_size = 0;
};

// Numbers the columns in order: fixed columns get consecutive offsets in
// the fixed area, variable ones consecutive offset-table entries.  Each
// element of `columns` needs name, type_code and length set.
TableLayout LayOut(std::vector<ColumnLayout> columns);

// One encoded value.  `present` is the column's null-mask bit: false for
// Null, and for a Boolean column the value itself.  `bytes` holds the
// fixed-size value, the stored text, or for a memo the stored text that
// still has to be placed (inline or in long-value rows).
struct Field {
  bool present = false;
  std::string bytes;
};

// Size of the row once memos are placed: a memo of at most kMaxInlineMemo
// bytes stays in the row after its 12-byte header, a longer one leaves only
// the header.
size_t EncodedRowSize(const TableLayout& layout, const std::vector<Field>& fields);

// The row bytes.  Memo fields must already hold their final 12-byte header
// (and inline text).
std::string EncodeRow(const TableLayout& layout, const std::vector<Field>& fields);

}  // namespace generatesheet::jet

#endif  // GENERATESHEET_BUILDER_JET_TABLE_LAYOUT_H_
