#include "tools/cli/default_template.h"

#include <filesystem>
#include <system_error>

#include "util/error.h"

namespace generatesheet::cli {

namespace fs = std::filesystem;

namespace {

fs::path ProgramFolder() {
  std::error_code ec;
  fs::path program = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : program.parent_path();
}

}  // namespace

std::string BundledFilePath(const std::string& relative_path) {
  std::error_code ec;
  std::string looked_in;
  const fs::path program_folder = ProgramFolder();
  const fs::path candidates[] = {
      program_folder.empty() ? fs::path()
                             : program_folder / ".." / "share" / "generatesheet" / relative_path,
      fs::path(GENERATESHEET_SOURCE_DIR) / relative_path,
  };
  for (const fs::path& candidate : candidates) {
    if (candidate.empty()) continue;
    if (fs::is_regular_file(candidate, ec)) return candidate.lexically_normal().string();
    looked_in += (looked_in.empty() ? "" : "、") + candidate.lexically_normal().string();
  }
  throw Error("找不到随程序提供的文件 " + relative_path + "（查找过：" + looked_in + "）");
}

std::string DefaultTemplatePath() { return BundledFilePath("templates/default.html"); }

}  // namespace generatesheet::cli
