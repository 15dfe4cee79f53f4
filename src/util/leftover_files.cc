#include "util/leftover_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "util/file_descriptor.h"

namespace generatesheet {

namespace {

constexpr std::size_t kTemporarySuffixLength = 6;  // the XXXXXX of mkstemp

bool IsAsciiAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

// The names in the folder open as `fd` (which stays open).
std::vector<std::string> NamesIn(int fd) {
  std::vector<std::string> names;
  int copy = ::dup(fd);
  if (copy < 0) return names;
  DIR* dir = ::fdopendir(copy);
  if (dir == nullptr) {
    ::close(copy);
    return names;
  }
  while (struct dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(std::move(name));
  }
  ::closedir(dir);
  return names;
}

// Opens `name` in `folder_fd` without following a link or waiting on a fifo,
// and takes its lock into *fd.  False when it is in use or not of `type`.
bool OpenUnheld(int folder_fd, const std::string& name, int flags, mode_t type,
                FileDescriptor* fd) {
  fd->Reset(::openat(folder_fd, name.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat info;
  return fd->get() >= 0 && ::fstat(fd->get(), &info) == 0 && (info.st_mode & S_IFMT) == type &&
         HoldTemporary(fd->get());
}

bool RemoveStagingFolder(int folder_fd, const std::string& name) {
  FileDescriptor staging;
  if (!OpenUnheld(folder_fd, name, O_RDONLY | O_DIRECTORY, S_IFDIR, &staging)) return false;
  // A staging folder holds only files, named by their entry's index.
  for (const std::string& inner : NamesIn(staging.get())) {
    ::unlinkat(staging.get(), inner.c_str(), 0);
  }
  return ::unlinkat(folder_fd, name.c_str(), AT_REMOVEDIR) == 0;
}

bool RemoveTemporaryFile(int folder_fd, const std::string& name) {
  FileDescriptor file;
  if (!OpenUnheld(folder_fd, name, O_RDONLY, S_IFREG, &file)) return false;
  return ::unlinkat(folder_fd, name.c_str(), 0) == 0;
}

}  // namespace

bool IsTemporaryFileName(std::string_view name, std::string_view target) {
  constexpr std::string_view kMark = kTemporaryFileMark;
  if (target.empty() || name.size() != 1 + target.size() + kMark.size() + kTemporarySuffixLength ||
      name[0] != '.' || name.substr(1, target.size()) != target ||
      name.substr(1 + target.size(), kMark.size()) != kMark) {
    return false;
  }
  for (char c : name.substr(name.size() - kTemporarySuffixLength)) {
    if (!IsAsciiAlnum(c)) return false;
  }
  return true;
}

bool LooksLikeTemporaryFileName(std::string_view name) {
  const std::size_t mark = name.rfind(kTemporaryFileMark);
  return mark != std::string_view::npos && mark >= 2 &&
         IsTemporaryFileName(name, name.substr(1, mark - 1));
}

bool TemporaryInFlight(const std::string& path) {
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) return errno == ENOENT;
  while (::flock(fd.get(), LOCK_SH | LOCK_NB) != 0) {
    if (errno != EINTR) return errno == EWOULDBLOCK;
  }
  struct stat st {};
  return ::fstat(fd.get(), &st) == 0 && st.st_nlink == 0;
}

bool IsStagingFolderName(std::string_view name) {
  constexpr std::string_view kPrefix = kStagingFolderPrefix;
  if (name.size() != kPrefix.size() + kStagingSuffixLength || !name.starts_with(kPrefix)) {
    return false;
  }
  for (char c : name.substr(kPrefix.size())) {
    if (!IsHexDigit(c)) return false;
  }
  return true;
}

bool HoldTemporary(int fd) {
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

std::size_t RemoveLeftoverTemporaries(const std::string& folder) {
  FileDescriptor folder_fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder_fd.get() < 0) return 0;
  std::size_t removed = 0;
  for (const std::string& name : NamesIn(folder_fd.get())) {
    if (IsStagingFolderName(name)) {
      removed += RemoveStagingFolder(folder_fd.get(), name) ? 1 : 0;
    } else if (IsTemporaryFileName(name, kDecryptedDatabaseName)) {
      removed += RemoveTemporaryFile(folder_fd.get(), name) ? 1 : 0;
    }
  }
  return removed;
}

std::size_t RemoveLeftoverTemporariesOf(const std::string& folder,
                                        const std::function<bool(std::string_view)>& is_target) {
  FileDescriptor folder_fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder_fd.get() < 0) return 0;
  std::size_t removed = 0;
  for (const std::string& name : NamesIn(folder_fd.get())) {
    if (!LooksLikeTemporaryFileName(name)) continue;
    const std::string_view target =
        std::string_view(name).substr(1, name.rfind(kTemporaryFileMark) - 1);
    if (is_target(target)) {
      removed += RemoveTemporaryFile(folder_fd.get(), name) ? 1 : 0;
    }
  }
  return removed;
}

}  // namespace generatesheet
