// The one owner of a POSIX file descriptor, and the read and write loops
// every descriptor in the library goes through.
#ifndef GENERATESHEET_UTIL_FILE_DESCRIPTOR_H_
#define GENERATESHEET_UTIL_FILE_DESCRIPTOR_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace generatesheet {

// Owns one open descriptor (or none: -1) and closes it when it goes; a
// close that fails there is ignored.  Movable, not copyable.
class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FileDescriptor& operator=(FileDescriptor&& other) noexcept;
  ~FileDescriptor() { Reset(); }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }

  // Closes the descriptor held (ignoring a failed close) and takes `fd`.
  void Reset(int fd = -1) noexcept;

  // Closes now, where the caller must know that the data reached the file:
  // answers 0, or the errno of the failed close.  The descriptor is gone
  // either way.
  int Close() noexcept;

 private:
  int fd_ = -1;
};

// Writes all of `data`, resuming after interrupted or partial writes:
// answers 0, or the errno of the write that failed.
int WriteFully(int fd, std::string_view data) noexcept;

// WriteFully that throws Error naming `path`.
void WriteAll(int fd, std::string_view data, const std::string& path);

// Reads until `size` bytes or the end of the file; returns the count read.
// Throws Error naming `path`.
std::size_t ReadUpTo(int fd, unsigned char* buffer, std::size_t size, const std::string& path);

}  // namespace generatesheet

#endif  // GENERATESHEET_UTIL_FILE_DESCRIPTOR_H_
