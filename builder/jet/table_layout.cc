#include "builder/jet/table_layout.h"

#include "builder/jet/jet_format.h"

namespace generatesheet::jet {

namespace {

size_t NullMaskSize(const TableLayout& layout) { return (layout.columns.size() + 7) / 8; }

// Column count, fixed area, offset table with its count, null mask.
size_t Overhead(const TableLayout& layout) {
  size_t size = 2 + layout.fixed_size + NullMaskSize(layout);
  if (layout.var_count > 0) size += 2 * (layout.var_count + 1) + 2;
  return size;
}

}  // namespace

TableLayout LayOut(std::vector<ColumnLayout> columns) {
  TableLayout layout;
  for (size_t i = 0; i < columns.size(); ++i) {
    ColumnLayout& c = columns[i];
    c.number = static_cast<uint16_t>(i);
    if (c.fixed) {
      c.fixed_offset = layout.fixed_size;
      // A Boolean lives in the null mask and takes no room in the row.
      if (c.type_code != kJetBoolean) layout.fixed_size += c.length;
    } else {
      c.var_index = layout.var_count++;
    }
  }
  layout.columns = std::move(columns);
  return layout;
}

size_t EncodedRowSize(const TableLayout& layout, const std::vector<Field>& fields) {
  size_t size = Overhead(layout);
  for (size_t i = 0; i < fields.size(); ++i) {
    const ColumnLayout& c = layout.columns[i];
    if (c.fixed || !fields[i].present) continue;
    if (c.type_code == kJetMemo || c.type_code == kJetOle) {
      size += kMemoHeaderSize;
      if (fields[i].bytes.size() <= kMaxInlineMemo) size += fields[i].bytes.size();
    } else {
      size += fields[i].bytes.size();
    }
  }
  return size;
}

std::string EncodeRow(const TableLayout& layout, const std::vector<Field>& fields) {
  const size_t n = layout.columns.size();
  std::string row;
  Append16(&row, static_cast<uint32_t>(n));
  row.append(layout.fixed_size, '\0');
  std::vector<uint32_t> var_offsets(layout.var_count + 1, 0);
  std::string null_mask(NullMaskSize(layout), '\0');
  // Variable values follow the fixed area in offset-table order, which is
  // column order.
  for (size_t i = 0; i < n; ++i) {
    const ColumnLayout& c = layout.columns[i];
    const Field& f = fields[i];
    if (f.present) null_mask[c.number / 8] |= static_cast<char>(1 << (c.number % 8));
    if (c.fixed) {
      if (f.present && c.type_code != kJetBoolean) {
        row.replace(2 + c.fixed_offset, f.bytes.size(), f.bytes);
      }
    } else {
      var_offsets[c.var_index] = static_cast<uint32_t>(row.size());
      if (f.present) row += f.bytes;
    }
  }
  if (layout.var_count > 0) {
    var_offsets[layout.var_count] = static_cast<uint32_t>(row.size());  // end of data
    // The offset table is stored last entry first, then the entry count.
    for (size_t j = layout.var_count + 1; j-- > 0;) Append16(&row, var_offsets[j]);
    Append16(&row, layout.var_count);
  }
  row += null_mask;
  return row;
}

}  // namespace generatesheet::jet
