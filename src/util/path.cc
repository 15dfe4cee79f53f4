#include "util/path.h"

#include <algorithm>

namespace generatesheet {

std::string NativePath(std::string_view path) {
  std::string native(path);
  std::replace(native.begin(), native.end(), '\\', '/');
  return native;
}

std::optional<std::string> FileNameFault(std::string_view name) {
  if (name.find('\0') != std::string_view::npos) return std::string("文件名中含有空字符");
  if (name.find_first_of("/\\") != std::string_view::npos) {
    return "“" + std::string(name) + "”不是文件名：含有路径分隔符“/”或“\\”";
  }
  if (name == "." || name == "..") return "“" + std::string(name) + "”不是文件名";
  const bool drive = name.size() >= 2 && name[1] == ':' &&
                     ((name[0] >= 'a' && name[0] <= 'z') || (name[0] >= 'A' && name[0] <= 'Z'));
  if (drive) return "“" + std::string(name) + "”不是文件名：以盘符开头";
  return std::nullopt;
}

}  // namespace generatesheet
