#include "util/lock_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "util/error.h"
#include "util/folder_lock.h"

namespace generatesheet {

namespace {

constexpr std::chrono::milliseconds kPollInterval(20);

// Whether the file open as `fd` is still the one named `path`: a holder
// removes it before letting go, so a waiter may have locked a removed file.
bool StillNamed(int fd, const std::string& path) {
  struct stat held {
  }, named{};
  return ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 &&
         held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

}  // namespace

LockFile::LockFile(const std::string& path, const LockWait& wait) : path_(path) {
  const auto deadline = std::chrono::steady_clock::now() + wait.limit;
  bool told = false;
  for (;;) {
    fd_.Reset(::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (fd_.get() < 0) return;
    if (::flock(fd_.get(), LOCK_EX | LOCK_NB) == 0) {
      if (StillNamed(fd_.get(), path)) return;
      continue;  // its holder removed it meanwhile: lock the file there now
    }
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) {  // no locks on this file system
      fd_.Reset();
      return;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      fd_.Reset();
      throw Error(wait.timeout);
    }
    if (!told) TellOfFolderWait(wait.notice);
    told = true;
    std::this_thread::sleep_for(kPollInterval);
  }
}

LockFile::~LockFile() {
  if (!fd_.valid()) return;
  ::unlink(path_.c_str());
  fd_.Reset();
}

}  // namespace generatesheet
