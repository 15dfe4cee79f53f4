#include "util/file_util.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "util/error.h"
#include "util/regular_file.h"
#include "util/replacement_file.h"

namespace generatesheet {

namespace fs = std::filesystem;

void DeleteFileIfExists(const std::string& path) noexcept {
  struct stat st {};
  if (path.empty() || ::lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return;
  ::unlink(path.c_str());
}

std::string ReadWholeFile(const std::string& path) { return ReadRegularFile(path, kNoSizeCap); }

void WriteFileAtomically(const std::string& path, std::string_view content, Durability durability) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) throw Error("目标路径是一个文件夹：" + path);
  ReplacementFile file(path, 0644, durability);
  file.Write(content);
  file.Commit();
}

void WriteFileAtomically(const std::string& path,
                         const std::function<void(const ContentSink&)>& produce,
                         Durability durability) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) throw Error("目标路径是一个文件夹：" + path);
  ReplacementFile file(path, 0644, durability);
  constexpr size_t kWriteSize = 1 << 20;
  std::string pending;
  produce([&](std::string_view piece) {
    pending += piece;
    if (pending.size() >= kWriteSize) {
      file.Write(pending);
      pending.clear();
    }
  });
  file.Write(pending);
  file.Commit();
}

}  // namespace generatesheet
