// An exclusive lock on a folder for the time one run works in it.  The lock
// is an flock() on a descriptor of the folder, so it keeps out other
// processes and other threads of this one alike, and the system drops it
// when its holder dies.
#ifndef GENERATESHEET_UTIL_FOLDER_LOCK_H_
#define GENERATESHEET_UTIL_FOLDER_LOCK_H_

#include <chrono>
#include <string>

#include "util/file_descriptor.h"

namespace generatesheet {

// Called (from the waiting thread) when a FolderLock begins to wait for
// another holder, with a one-line notice naming the folder; the wait itself
// is logged either way.  A host sets one to show the wait, which can last
// minutes, to its user.
using FolderWaitNotice = void (*)(const std::string& notice);
void SetFolderWaitNotice(FolderWaitNotice notice);

// Passes `notice` to the notice set, if any: for other waits on a folder.
void TellOfFolderWait(const std::string& notice);

class FolderLock {
 public:
  // Locks the folder at the native path `folder`, waiting up to `wait` while
  // another holds it; throws Error naming the folder when the wait runs out.
  // When it has to wait, says so once: in the log and to the notice set.
  // A folder that cannot be opened, or a file system without locks, is not
  // locked: whatever comes next reports the folder itself.
  FolderLock(const std::string& folder, std::chrono::milliseconds wait);
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  ~FolderLock() = default;  // closing the descriptor releases the lock

  bool locked() const { return fd_.valid(); }

 private:
  FileDescriptor fd_;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_UTIL_FOLDER_LOCK_H_
