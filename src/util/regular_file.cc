#include "util/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "util/error.h"
#include "util/file_descriptor.h"

namespace generatesheet {

namespace {

// What a path that is not a regular file is, for the message.
const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "文件夹";
  if (S_ISFIFO(mode)) return "命名管道";
  if (S_ISSOCK(mode)) return "套接字";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "设备";
  return "特殊文件";
}

std::string SizeText(std::size_t bytes) {
  if (bytes >= 1024 * 1024) return std::to_string(bytes / (1024 * 1024)) + " MiB";
  if (bytes >= 1024) return std::to_string(bytes / 1024) + " KiB";
  return std::to_string(bytes) + " 字节";
}

}  // namespace

void ReadRegularFile(const std::string& path, std::size_t max_bytes, std::string& out) {
  // O_NONBLOCK: opening a named pipe must not wait for a writer.
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd.valid()) {
    if (errno == ENOENT) throw Error("文件不存在：" + path);
    throw SystemError("无法打开文件", path, errno);
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) throw SystemError("无法读取文件", path, errno);
  if (S_ISDIR(st.st_mode)) throw Error("路径是文件夹而不是文件：" + path);
  if (!S_ISREG(st.st_mode)) {
    throw Error(std::string("不是普通文件（而是") + KindOf(st.st_mode) + "）：" + path);
  }
  const auto too_large = [&] {
    return Error("文件过大（超过 " + SizeText(max_bytes) + "）：" + path);
  };
  if (static_cast<std::size_t>(st.st_size) > max_bytes) throw too_large();
  // One byte beyond the size seen shows a file that grew meanwhile.
  out.assign(static_cast<std::size_t>(st.st_size) + 1, '\0');
  std::size_t used = 0;
  for (;;) {
    used += ReadUpTo(fd.get(), reinterpret_cast<unsigned char*>(out.data()) + used,
                     out.size() - used, path);
    if (used < out.size()) break;
    if (used > max_bytes) throw too_large();
    out.resize(max_bytes - used < used ? max_bytes + 1 : 2 * used);
  }
  out.resize(used);
}

}  // namespace generatesheet
