// Leftovers of pages whose writing was cut short.
#ifndef GENERATESHEET_TOOLS_BATCH_STALE_PAGE_FILES_H_
#define GENERATESHEET_TOOLS_BATCH_STALE_PAGE_FILES_H_

#include <set>
#include <string>

namespace generatesheet::cli {

// The library writes a page as ".<page>.tmp-XXXXXX" and renames it into place;
// a process killed in between leaves the temporary file.  Removes those of
// the named pages that no live process holds (another batch may be writing
// the same page into the same folder right now: its file is held, see
// util/leftover_files.h), and returns how many were removed.
size_t RemoveStalePageFiles(const std::string& folder, const std::set<std::string>& page_names);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_BATCH_STALE_PAGE_FILES_H_
