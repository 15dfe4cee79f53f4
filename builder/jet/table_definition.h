// The table-definition (TDEF) pages of a Jet 4 table: counts, usage-map
// pointers, column descriptors and column names.  No indexes.
#ifndef GENERATESHEET_BUILDER_JET_TABLE_DEFINITION_H_
#define GENERATESHEET_BUILDER_JET_TABLE_DEFINITION_H_

#include <cstdint>
#include <string>
#include <vector>

#include "builder/jet/page_file.h"
#include "builder/jet/table_layout.h"

namespace generatesheet::jet {

struct TableDefinition {
  const TableLayout* layout = nullptr;
  bool system = false;  // the catalog itself
  uint32_t row_count = 0;
  uint32_t usage_map = 0;  // (page << 8) | row of the map of the table's data pages
  uint32_t free_map = 0;   // (page << 8) | row of the map of pages with free space
};

// The definition as one stream: the first page holds its first kJetPageSize
// bytes, each following page kJetPageSize - 8 more after its own 8-byte header.
// The stream's first 8 bytes are that header, filled in by WriteDefinition.
std::string DefinitionStream(const TableDefinition& definition);

// How many pages a stream of `size` bytes takes.
size_t DefinitionPageCount(size_t size);

// Writes `stream` over `pages` (DefinitionPageCount of them), linking each
// page to the next.
void WriteDefinition(PageFile* file, const std::vector<uint32_t>& pages, const std::string& stream);

}  // namespace generatesheet::jet

#endif  // GENERATESHEET_BUILDER_JET_TABLE_DEFINITION_H_
