// Reading a file that must be a regular file of bounded size: a template, a
// key file, a manifest.  A named pipe or a device is refused at once (never
// waited on), and a file larger than the cap is refused before it fills
// memory.
#ifndef GENERATESHEET_UTIL_REGULAR_FILE_H_
#define GENERATESHEET_UTIL_REGULAR_FILE_H_

#include <cstddef>
#include <limits>
#include <string>

namespace generatesheet {

inline constexpr std::size_t kNoSizeCap = std::numeric_limits<std::size_t>::max();

// Replaces `out` with the whole content of the regular file at `path` (a
// native path).  Throws Error naming the file when it does not exist, is a
// folder, a pipe, a socket or a device, cannot be read, or holds more than
// `max_bytes` bytes.
void ReadRegularFile(const std::string& path, std::size_t max_bytes, std::string& out);

inline std::string ReadRegularFile(const std::string& path, std::size_t max_bytes) {
  std::string out;
  ReadRegularFile(path, max_bytes, out);
  return out;
}

}  // namespace generatesheet

#endif  // GENERATESHEET_UTIL_REGULAR_FILE_H_
