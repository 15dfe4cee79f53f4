#include "util/log.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>

#include "util/file_descriptor.h"

namespace generatesheet {

namespace {

std::mutex override_mutex;
std::string& OverridePath() {
  static std::string path;
  return path;
}

}  // namespace

std::string LibraryFolder() {
  Dl_info info{};
  // The address of this function lies in the library file when it is loaded
  // as a shared object, and in the executable when linked statically.
  if (dladdr(reinterpret_cast<void*>(&LibraryFolder), &info) == 0 || info.dli_fname == nullptr) {
    return ".";
  }
  std::error_code ec;
  std::filesystem::path file = std::filesystem::canonical(info.dli_fname, ec);
  if (ec) file = info.dli_fname;
  return file.parent_path().string();
}

std::string LogFilePath() {
  {
    std::lock_guard lock(override_mutex);
    if (!OverridePath().empty()) return OverridePath();
  }
  static const std::string path = LibraryFolder() + "/syslog.txt";
  return path;
}

void SetLogFilePathForTesting(const std::string& path) {
  std::lock_guard lock(override_mutex);
  OverridePath() = path;
}

void AppendLogLine(const std::string& line) noexcept {
  try {
    const std::string entry = line + "\r\n";
    const FileDescriptor fd(
        ::open(LogFilePath().c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (fd.valid()) WriteFully(fd.get(), entry);
  } catch (...) {
  }
}

}  // namespace generatesheet
