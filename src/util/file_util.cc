#include "util/file_util.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "util/error.h"
#include "util/path.h"

namespace generatesheet {

namespace fs = std::filesystem;

void DeleteFileIfExists(const std::string& path) noexcept {
  const std::string native = NativePath(path);
  struct stat st {};
  if (native.empty() || ::lstat(native.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return;
  ::unlink(native.c_str());
}

std::string ReadWholeFile(const std::string& path) {
  const std::string native = NativePath(path);
  std::error_code ec;
  if (!fs::exists(native, ec)) throw Error("文件不存在：" + path);
  if (fs::is_directory(native, ec)) throw Error("路径是文件夹而不是文件：" + path);
  std::ifstream in(native, std::ios::binary);
  if (!in) throw SystemError("无法打开文件", path, errno);
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) throw SystemError("读取文件失败", path, errno);
  return std::move(content).str();
}

namespace {

// Owns a temporary file until it is renamed into place.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& target) : path_(target + ".tmpXXXXXX") {
    fd_ = ::mkstemp(path_.data());
    if (fd_ < 0) throw SystemError("无法在目标文件夹中创建临时文件", target, errno);
  }
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(path_.c_str());
  }
  void Write(std::string_view content, const std::string& target) {
    while (!content.empty()) {
      const ssize_t n = ::write(fd_, content.data(), content.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) throw SystemError("写入文件失败", target, errno);
      content.remove_prefix(static_cast<size_t>(n));
    }
    ::fchmod(fd_, 0644);
    if (::fsync(fd_) != 0) throw SystemError("写入文件失败", target, errno);
  }
  void RenameTo(const std::string& native_target, const std::string& target) {
    if (::close(fd_) != 0) {
      fd_ = -1;
      throw SystemError("写入文件失败", target, errno);
    }
    fd_ = -1;
    if (::rename(path_.c_str(), native_target.c_str()) != 0) {
      throw SystemError("无法替换文件", target, errno);
    }
    committed_ = true;
  }

 private:
  std::string path_;
  int fd_ = -1;
  bool committed_ = false;
};

}  // namespace

void WriteFileAtomically(const std::string& path, std::string_view content) {
  const std::string native = NativePath(path);
  std::error_code ec;
  if (fs::is_directory(native, ec)) throw Error("目标路径是一个文件夹：" + path);
  TemporaryFile temp(native);
  temp.Write(content, path);
  temp.RenameTo(native, path);
}

}  // namespace generatesheet
