#include "tools/job/output_folder.h"

#include <filesystem>
#include <system_error>

#include "tools/job/sheet_job.h"
#include "util/error.h"

namespace generatesheet::cli {

namespace fs = std::filesystem;

std::string PrepareOutputFolder(const std::string& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) throw SystemError("无法创建输出文件夹", folder, ec.value());
  if (!fs::is_directory(folder, ec)) throw Error("输出路径不是文件夹：" + folder);
  return WithTrailingSlash(folder);
}

}  // namespace generatesheet::cli
