#include "tools/batch/stale_page_files.h"

#include "util/leftover_files.h"

namespace generatesheet::cli {

size_t RemoveStalePageFiles(const std::string& folder, const std::set<std::string>& page_names) {
  return RemoveLeftoverTemporariesOf(
      folder, [&](std::string_view page) { return page_names.count(std::string(page)) > 0; });
}

}  // namespace generatesheet::cli
