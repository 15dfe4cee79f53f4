#include "tools/batch/folder_wait_notice.h"

#include <unistd.h>

#include <iostream>
#include <mutex>
#include <set>
#include <string>

#include "util/folder_lock.h"

namespace generatesheet::cli {

namespace {

// Rows of a batch that share a folder may each wait for it: the folder is
// named once.
void PrintFirstNotice(const std::string& notice) {
  static std::mutex mutex;
  static std::set<std::string> shown;
  std::lock_guard lock(mutex);
  if (!shown.insert(notice).second) return;
  // "\r\033[K" clears a progress line drawn in place, which is redrawn below.
  const std::string line = (::isatty(STDERR_FILENO) != 0 ? "\r\033[K" : "") + notice + "\n";
  std::cerr << line << std::flush;
}

}  // namespace

void ShowFolderWaitsOnStderr() { SetFolderWaitNotice(PrintFirstNotice); }

}  // namespace generatesheet::cli
