#include "tools/stale_page_files.h"

#include <filesystem>
#include <system_error>

namespace generatesheet::cli {

namespace fs = std::filesystem;

namespace {

// A page is written as ".<page>.tmp-XXXXXX" beside its final name.
constexpr char kTemporaryMark[] = ".tmp-";
constexpr size_t kUniqueSuffix = 6;  // the XXXXXX of mkstemp

}  // namespace

size_t RemoveStalePageFiles(const std::string& folder, const std::set<std::string>& page_names) {
  size_t removed = 0;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const size_t mark = name.rfind(kTemporaryMark);
    if (name.empty() || name[0] != '.' || mark == std::string::npos ||
        name.size() != mark + sizeof kTemporaryMark - 1 + kUniqueSuffix) {
      continue;
    }
    if (page_names.count(name.substr(1, mark - 1)) == 0) continue;
    std::error_code remove_ec;
    if (fs::remove(it->path(), remove_ec)) ++removed;
  }
  return removed;
}

}  // namespace generatesheet::cli
