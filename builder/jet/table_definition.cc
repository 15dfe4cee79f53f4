#include "builder/jet/table_definition.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "builder/jet/jet_format.h"
#include "builder/jet/text_encoding.h"

namespace generatesheet::jet {

namespace {

constexpr uint8_t kUserTable = 0x4E;
constexpr uint8_t kSystemTable = 0x53;
constexpr uint8_t kFlagFixed = 0x01;
constexpr uint8_t kFlagNullable = 0x02;
constexpr uint16_t kGeneralSortOrder = 0x0409;
constexpr size_t kContinuation = kJetPageSize - kTableDefinitionPageHeader;

void AppendColumn(std::string* out, const ColumnLayout& c) {
  const size_t start = out->size();
  out->append(25, '\0');
  auto* p = reinterpret_cast<uint8_t*>(out->data() + start);
  p[0] = c.type_code;
  Put16(p + 5, c.number);
  Put16(p + 7, c.fixed ? 0 : c.var_index);
  Put16(p + 9, c.number);
  if (c.type_code == kJetText || c.type_code == kJetMemo) Put16(p + 11, kGeneralSortOrder);
  p[15] = static_cast<uint8_t>(kFlagNullable | (c.fixed ? kFlagFixed : 0));
  Put16(p + 21, c.fixed ? c.fixed_offset : 0);
  Put16(p + 23, c.length);
}

void AppendName(std::string* out, const std::string& name) {
  // Names were checked as UTF-8 when the table was declared.
  std::string bytes = JetTextBytes(Utf8ToUtf16(name).value_or(u"?")).value_or("?");
  Append16(out, static_cast<uint32_t>(bytes.size()));
  out->append(bytes);
}

}  // namespace

std::string DefinitionStream(const TableDefinition& d) {
  const TableLayout& layout = *d.layout;
  const auto columns = static_cast<uint32_t>(layout.columns.size());
  std::string s(63, '\0');
  auto* p = reinterpret_cast<uint8_t*>(s.data());
  Put32(p + 16, d.row_count);
  p[40] = d.system ? kSystemTable : kUserTable;
  Put16(p + 41, columns);  // most columns a row has
  Put16(p + 43, layout.var_count);
  Put16(p + 45, columns);
  Put32(p + 55, d.usage_map);
  Put32(p + 59, d.free_map);
  for (const ColumnLayout& c : layout.columns) AppendColumn(&s, c);
  for (const ColumnLayout& c : layout.columns) AppendName(&s, c.name);
  Append16(&s, 0xFFFF);  // end of the (empty) list of long-value column maps
  Put32(reinterpret_cast<uint8_t*>(s.data()) + 8, static_cast<uint32_t>(s.size()));
  return s;
}

size_t DefinitionPageCount(size_t size) {
  if (size <= kJetPageSize) return 1;
  return 1 + (size - kJetPageSize + kContinuation - 1) / kContinuation;
}

void WriteDefinition(PageFile* file, const std::vector<uint32_t>& pages,
                     const std::string& stream) {
  assert(pages.size() == DefinitionPageCount(stream.size()));
  size_t pos = 0;
  for (size_t i = 0; i < pages.size(); ++i) {
    uint8_t* page = file->page(pages[i]);
    const size_t at = i == 0 ? 0 : kTableDefinitionPageHeader;
    const size_t n = std::min(kJetPageSize - at, stream.size() - pos);
    std::memcpy(page + at, stream.data() + pos, n);
    pos += n;
    page[0] = kJetTableDefinitionPage;
    page[1] = 0x01;
    // Access keeps the free space less 8 here; no reader relies on it.
    const size_t free = kJetPageSize - at - n;
    Put16(page + 2, static_cast<uint32_t>(free >= 8 ? free - 8 : 0));
    Put32(page + 4, i + 1 < pages.size() ? pages[i + 1] : 0);
  }
}

}  // namespace generatesheet::jet
