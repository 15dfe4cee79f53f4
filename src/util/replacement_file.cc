#include "util/replacement_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "util/error.h"
#include "util/leftover_files.h"

namespace generatesheet {

std::string ParentFolder(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

void WriteNewFile(const std::string& path, std::string_view content, mode_t mode,
                  const std::string& temp_stem, const std::string& what) {
  const std::string folder = ParentFolder(path);
  std::string temp = folder + "/." + temp_stem + "-XXXXXX";
  FileDescriptor fd(::mkstemp(temp.data()));
  // The temporary name is ours; the user knows the folder.
  if (fd.get() < 0) throw SystemError("无法在文件夹中创建" + what, folder, errno);
  try {
    if (::fchmod(fd.get(), mode) != 0) throw SystemError("无法设置" + what + "权限", temp, errno);
    WriteAll(fd.get(), content, temp);
    if (::fsync(fd.get()) != 0) throw SystemError("无法写入" + what, temp, errno);
    if (const int error = fd.Close(); error != 0) throw SystemError("无法写入" + what, temp, error);
    if (::link(temp.c_str(), path.c_str()) != 0) {
      if (errno == EEXIST) throw Error(what + "已存在，拒绝覆盖：" + path);
      throw SystemError("无法创建" + what, path, errno);
    }
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
  ::unlink(temp.c_str());
}

ReplacementFile::ReplacementFile(const std::string& target, mode_t mode, Durability durability)
    : target_(target), durability_(durability) {
  const std::size_t slash = target.rfind('/');
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  const std::string pattern = ParentFolder(target) + "/." + base + kTemporaryFileMark + "XXXXXX";
  // Marks the file as in use until it is renamed (see util/leftover_files.h).
  // Another run's clean-up may take the new file between its making and its
  // lock and remove it: then it is made again under another name.
  for (int attempt = 0;; ++attempt) {
    temp_ = pattern;
    fd_.Reset(::mkstemp(temp_.data()));
    if (fd_.get() < 0) throw SystemError("无法在目标文件夹创建临时文件", target, errno);
    // Taken by a clean-up (which then removes it), or already removed; a
    // file system without locks leaves the file unheld, as it must.
    const bool taken = !HoldTemporary(fd_.get()) && errno == EWOULDBLOCK;
    struct stat st {};
    const bool removed = ::fstat(fd_.get(), &st) == 0 && st.st_nlink == 0;
    if ((!taken && !removed) || attempt == 10) break;
    fd_.Close();
  }
  ::fchmod(fd_.get(), mode & 07777);
}

ReplacementFile::~ReplacementFile() {
  if (!committed_) {
    fd_.Close();
    ::unlink(temp_.c_str());
  }
}

void ReplacementFile::Commit() {
  const bool durable = durability_ == Durability::kDurable;
  if (durable && ::fsync(fd_.get()) != 0) throw SystemError("写入文件出错", target_, errno);
  // Renamed while still held, so no clean-up of leftovers can take it.
  if (::rename(temp_.c_str(), target_.c_str()) != 0) {
    throw SystemError("无法以新文件替换原文件", target_, errno);
  }
  committed_ = true;
  if (const int error = fd_.Close(); error != 0) throw SystemError("写入文件出错", target_, error);
  if (!durable) return;
  // Make the rename itself durable; a failure here loses nothing.
  FileDescriptor folder(::open(ParentFolder(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() >= 0) ::fsync(folder.get());
}

}  // namespace generatesheet
