#include "builder/jet/file_builder.h"

#include <algorithm>

#include "builder/jet/header_page.h"
#include "builder/jet/jet_format.h"
#include "builder/jet/long_value_store.h"
#include "builder/jet/page_file.h"
#include "builder/jet/table_definition.h"
#include "builder/jet/text_encoding.h"
#include "util/error.h"

namespace generatesheet::jet {

namespace {

// Page 1 holds usage maps, as in files Access writes; it names itself as
// owner so that no table claims it.
constexpr uint32_t kFirstMapPage = 1;
constexpr size_t kMinMapBytes = 64;  // the bitmap size Access uses
constexpr uint32_t kTableObject = 1;

// The catalog (MSysObjects): libmdb binds Id, Name, Type, Flags and LvProp.
TableLayout CatalogLayout() {
  std::vector<ColumnLayout> columns(6);
  columns[0] = {"Id", kJetLong, true, 4};
  columns[1] = {"ParentId", kJetLong, true, 4};
  columns[2] = {"Name", kJetText, false, 510};
  columns[3] = {"Type", kJetInteger, true, 2};
  columns[4] = {"Flags", kJetLong, true, 4};
  columns[5] = {"LvProp", kJetOle, false, 0};
  return LayOut(std::move(columns));
}

std::string Le(uint32_t v, size_t bytes) {
  std::string s;
  Append32(&s, v);
  return s.substr(0, bytes);
}

std::vector<Field> CatalogRow(const Table& table, uint32_t definition_page) {
  std::vector<Field> row(6);
  row[0] = {true, Le(definition_page, 4)};
  // Table names were checked to be storable when the table was declared.
  row[2] = {true, JetTextBytes(Utf8ToUtf16(table.name()).value_or(u"?")).value_or("?")};
  row[3] = {true, Le(kTableObject, 2)};
  row[4] = {true, Le(0, 4)};  // no system flags: a user table
  return row;
}

// A type-0 usage map: the first page it covers, then one bit a page.
std::string UsageMap(const std::vector<uint32_t>& pages, bool mark, const std::string& table) {
  const uint32_t first = pages.empty() ? 0 : *std::min_element(pages.begin(), pages.end());
  const uint32_t last = pages.empty() ? 0 : *std::max_element(pages.begin(), pages.end());
  const size_t bytes = std::max<size_t>(kMinMapBytes, (last - first) / 8 + 1);
  if (5 + bytes > kMaxRowSize) {
    throw Error("表 " + table + " 的数据页从第 " + std::to_string(first) + " 页到第 " +
                std::to_string(last) + " 页，超出一个页面使用图能描述的范围");
  }
  std::string map(5 + bytes, '\0');
  auto* p = reinterpret_cast<uint8_t*>(map.data());
  Put32(p + 1, first);
  if (mark) {
    for (uint32_t page : pages) {
      p[5 + (page - first) / 8] |= static_cast<uint8_t>(1u << ((page - first) % 8));
    }
  }
  return map;
}

// Writes the rows of one table to data pages; returns those pages.
std::vector<uint32_t> WriteRows(PageFile* file, LongValueStore* long_values,
                                const TableLayout& layout,
                                const std::vector<std::vector<Field>>& rows,
                                uint32_t definition_page) {
  RowPageWriter data(file, definition_page);
  for (const std::vector<Field>& fields : rows) {
    std::vector<Field> placed = fields;
    for (size_t i = 0; i < placed.size(); ++i) {
      if (layout.columns[i].type_code == kJetMemo && placed[i].present) {
        placed[i].bytes = long_values->Place(placed[i].bytes);
      }
    }
    data.Add(EncodeRow(layout, placed));
  }
  return data.pages();
}

struct PendingDefinition {
  TableDefinition definition;
  std::vector<uint32_t> pages;
  std::vector<uint32_t> data_pages;
  std::string name;
};

}  // namespace

std::string BuildFile(const std::vector<const Table*>& tables) {
  PageFile file;
  file.Allocate();  // header
  RowPageWriter maps(&file, kFirstMapPage);
  maps.StartOn(file.Allocate());
  file.Allocate();  // catalog definition, page 2

  const TableLayout catalog_layout = CatalogLayout();
  std::vector<PendingDefinition> pending;
  pending.push_back({{&catalog_layout, true}, {kCatalogPage}, {}, "MSysObjects"});
  // Definitions first: the catalog rows need their page numbers.
  for (const Table* t : tables) {
    PendingDefinition p{
        {&t->layout(), false, static_cast<uint32_t>(t->row_count())}, {}, {}, t->name()};
    const size_t count = DefinitionPageCount(DefinitionStream(p.definition).size());
    for (size_t i = 0; i < count; ++i) p.pages.push_back(file.Allocate());
    pending.push_back(std::move(p));
  }

  LongValueStore long_values(&file);
  std::vector<std::vector<Field>> catalog_rows;
  for (size_t i = 0; i < tables.size(); ++i) {
    PendingDefinition& p = pending[i + 1];
    p.data_pages =
        WriteRows(&file, &long_values, tables[i]->layout(), tables[i]->rows(), p.pages[0]);
    catalog_rows.push_back(CatalogRow(*tables[i], p.pages[0]));
  }
  pending[0].definition.row_count = static_cast<uint32_t>(catalog_rows.size());
  pending[0].data_pages =
      WriteRows(&file, &long_values, catalog_layout, catalog_rows, kCatalogPage);

  for (PendingDefinition& p : pending) {
    p.definition.usage_map = maps.Add(UsageMap(p.data_pages, true, p.name));
    p.definition.free_map = maps.Add(UsageMap(p.data_pages, false, p.name));
    WriteDefinition(&file, p.pages, DefinitionStream(p.definition));
  }
  WriteHeaderPage(file.page(0));
  return file.Contents();
}

}  // namespace generatesheet::jet
