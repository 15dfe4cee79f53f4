// An exclusive lock held through a file that exists only while it is held,
// for work on a folder that another process may do at the same time.  The
// lock is an flock() on the file, so the system drops it when its holder
// dies; the holder removes the file before it lets go, and a waiter that
// took the lock of a file so removed takes it again on the file now there.
#ifndef GENERATESHEET_UTIL_LOCK_FILE_H_
#define GENERATESHEET_UTIL_LOCK_FILE_H_

#include <chrono>
#include <string>

#include "util/file_descriptor.h"

namespace generatesheet {

// What a LockFile says when it has to wait, and when it gives up.
struct LockWait {
  std::chrono::milliseconds limit;
  std::string notice;   // told once through the folder wait notice
  std::string timeout;  // the Error thrown when `limit` runs out
};

class LockFile {
 public:
  // Creates the file at `path` (when missing) and locks it, waiting up to
  // `wait.limit` while another holds it.  A file that cannot be created or
  // a file system without locks leaves it unlocked: whatever comes next
  // reports the folder itself.
  LockFile(const std::string& path, const LockWait& wait);
  LockFile(const LockFile&) = delete;
  LockFile& operator=(const LockFile&) = delete;
  ~LockFile();  // removes the file, then releases the lock

  bool locked() const { return fd_.valid(); }

 private:
  std::string path_;
  FileDescriptor fd_;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_UTIL_LOCK_FILE_H_
