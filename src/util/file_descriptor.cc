#include "util/file_descriptor.h"

#include <unistd.h>

#include <cerrno>

#include "util/error.h"

namespace generatesheet {

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
  if (this != &other) {
    Reset(other.fd_);
    other.fd_ = -1;
  }
  return *this;
}

void FileDescriptor::Reset(int fd) noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

int FileDescriptor::Close() noexcept {
  if (fd_ < 0) return 0;
  const int result = ::close(fd_);
  fd_ = -1;
  return result == 0 ? 0 : errno;
}

int WriteFully(int fd, std::string_view data) noexcept {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

void WriteAll(int fd, std::string_view data, const std::string& path) {
  if (const int error = WriteFully(fd, data); error != 0) {
    throw SystemError("写入文件出错", path, error);
  }
}

std::size_t ReadUpTo(int fd, unsigned char* buffer, std::size_t size, const std::string& path) {
  std::size_t used = 0;
  while (used < size) {
    const ssize_t n = ::read(fd, buffer + used, size - used);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw SystemError("读取文件出错", path, errno);
    if (n == 0) break;
    used += static_cast<std::size_t>(n);
  }
  return used;
}

}  // namespace generatesheet
