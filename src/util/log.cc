#include "util/log.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "util/error.h"
#include "util/file_descriptor.h"
#include "util/path.h"

namespace generatesheet {

namespace {

// Where the object at work on this thread logs, if its host chose.
thread_local const LogTarget* t_target = nullptr;

std::mutex override_mutex;
std::string& OverridePath() {
  static std::string path;
  return path;
}

// Tells the host's operator, once for each path, that log entries are lost:
// an installed library's folder is usually not writable by the host.
void ReportUnwritableLog(const std::string& path, int errno_value) {
  static std::mutex mutex;
  static std::string reported;
  std::lock_guard lock(mutex);
  if (reported == path) return;
  reported = path;
  const std::string message = SystemError("无法写入日志文件", path, errno_value).what();
  std::fprintf(
      stderr,
      "generatesheet：%s，日志将丢失（可用环境变量 GENERATESHEET_LOG_DIR 指定日志文件夹）\n",
      message.c_str());
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
  if (t_target != nullptr && !t_target->folder.empty()) {
    return NativePath(t_target->folder) + "/syslog.txt";
  }
  if (const char* folder = std::getenv("GENERATESHEET_LOG_DIR"); folder != nullptr && *folder) {
    return NativePath(folder) + "/syslog.txt";
  }
  static const std::string beside_library = LibraryFolder() + "/syslog.txt";
  return beside_library;
}

ScopedLogTarget::ScopedLogTarget(const LogTarget& target) : outer_(t_target) { t_target = &target; }

ScopedLogTarget::~ScopedLogTarget() { t_target = outer_; }

void SetLogFilePathForTesting(const std::string& path) {
  std::lock_guard lock(override_mutex);
  OverridePath() = path;
}

void AppendLogLine(const std::string& line) noexcept {
  try {
    if (t_target != nullptr && t_target->callback) {
      const std::shared_ptr<const LogCallback> callback = t_target->callback;
      (*callback)(line);
      return;
    }
    const std::string entry = line + "\r\n";
    const std::string path = LogFilePath();
    const FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    const int error = fd.valid() ? WriteFully(fd.get(), entry) : errno;
    if (error != 0) ReportUnwritableLog(path, error);
  } catch (...) {
  }
}

}  // namespace generatesheet
