#include "data/libmdb_messages.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "util/file_descriptor.h"
#include "util/log.h"

namespace generatesheet {

namespace {

// A damaged file can make libmdb repeat a line without end: the log keeps
// the beginning.
constexpr std::size_t kMaxKeptBytes = 16 * 1024;

thread_local std::string* t_kept = nullptr;

ssize_t WriteStderr(void* /*cookie*/, const char* data, size_t size) {
  if (t_kept != nullptr) {
    if (t_kept->size() < kMaxKeptBytes) t_kept->append(data, std::min(size, kMaxKeptBytes));
    return static_cast<ssize_t>(size);
  }
  return WriteFully(STDERR_FILENO, std::string_view(data, size)) == 0 ? static_cast<ssize_t>(size)
                                                                      : -1;
}

void DivertStderrOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    cookie_io_functions_t functions = {nullptr, WriteStderr, nullptr, nullptr};
    std::FILE* diverted = fopencookie(nullptr, "w", functions);
    if (diverted == nullptr) return;  // libmdb's lines then stay visible
    setvbuf(diverted, nullptr, _IONBF, 0);
    std::fflush(stderr);
    stderr = diverted;  // a plain variable in the GNU C library
  });
}

}  // namespace

LibmdbMessages::LibmdbMessages(const std::string& path) : path_(path), outer_(t_kept) {
  DivertStderrOnce();
  t_kept = &text_;
}

LibmdbMessages::~LibmdbMessages() {
  t_kept = outer_;
  std::size_t start = 0;
  while (start < text_.size()) {
    std::size_t end = text_.find('\n', start);
    if (end == std::string::npos) end = text_.size();
    if (end > start) AppendLogLine("libmdb（" + path_ + "）：" + text_.substr(start, end - start));
    start = end + 1;
  }
}

}  // namespace generatesheet
