#include "tools/stale_page_files.h"

#include "util/leftover_files.h"

namespace generatesheet::cli {

size_t RemoveStalePageFiles(const std::string& folder, const std::set<std::string>& page_names) {
  return RemoveLeftoverTemporaries(folder, [&](std::string_view name) {
    // ".<page>.tmp-XXXXXX": the page's name lies between the dot and the mark.
    const size_t mark = name.rfind(kTemporaryFileMark);
    return IsTemporaryFileName(name) && mark != std::string_view::npos &&
           page_names.count(std::string(name.substr(1, mark - 1))) > 0;
  });
}

}  // namespace generatesheet::cli
