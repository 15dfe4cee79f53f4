// Lays out a whole Jet 4 file: header, catalog, table definitions, data,
// long-value and usage-map pages.
#ifndef GENERATESHEET_BUILDER_JET_FILE_BUILDER_H_
#define GENERATESHEET_BUILDER_JET_FILE_BUILDER_H_

#include <string>
#include <vector>

#include "builder/jet/table.h"

namespace generatesheet::jet {

// The file bytes for `tables`, listed in the catalog in that order.
// Throws generatesheet::Error when a table's data pages cannot be described
// by one usage map.
std::string BuildFile(const std::vector<const Table*>& tables);

}  // namespace generatesheet::jet

#endif  // GENERATESHEET_BUILDER_JET_FILE_BUILDER_H_
