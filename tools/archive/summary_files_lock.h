// One writer at a time of a folder's summary files, class PDF and archive
// manifest: each is written from what the folder holds when it is written,
// so two commands writing them at once (two batches on one folder, a batch
// and a summary) would each leave a mix, or list the other's files half
// made.  The second waits, saying so, and then writes from what is there.
#ifndef GENERATESHEET_TOOLS_ARCHIVE_SUMMARY_FILES_LOCK_H_
#define GENERATESHEET_TOOLS_ARCHIVE_SUMMARY_FILES_LOCK_H_

#include <chrono>
#include <string>

#include "util/lock_file.h"

namespace generatesheet::cli {

// The lock's file in the folder is kSummaryLockName (output_files.h).
// Writing a large class's summary, class PDF and manifest takes minutes at
// most.
inline constexpr std::chrono::minutes kSummaryLockWait(60);

class SummaryFilesLock {
 public:
  // Locks `folder` (ending with "/"), waiting while another writer holds
  // it; throws Error naming the folder when the wait runs out.
  explicit SummaryFilesLock(const std::string& folder);

 private:
  LockFile lock_;
};

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_ARCHIVE_SUMMARY_FILES_LOCK_H_
