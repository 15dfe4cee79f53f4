#include "util/error.h"

#include <cerrno>
#include <cstring>

namespace generatesheet {

std::string ErrnoText(int errno_value) {
  switch (errno_value) {
    case ENOENT:
      return "文件或文件夹不存在";
    case ENOTDIR:
      return "路径中的某一级不是文件夹";
    case EACCES:
    case EPERM:
      return "没有访问权限";
    case EROFS:
      return "文件系统为只读";
    case ENOSPC:
      return "磁盘空间不足";
    case EDQUOT:
      return "超出磁盘配额";
    case EISDIR:
      return "路径是一个文件夹";
    case ENAMETOOLONG:
      return "路径过长";
    case EMFILE:
    case ENFILE:
      return "打开的文件过多";
    case EIO:
      return "输入输出错误";
    default:
      return std::strerror(errno_value);
  }
}

// Out of line, so the class's type information lives in the library and a
// host's catch clause matches what the library throws.
Error::Error(const std::string& description) : std::runtime_error(description) {}
Error::~Error() = default;

Error SystemError(const std::string& what, const std::string& path, int errno_value) {
  return Error(what + "：" + path + "（" + ErrnoText(errno_value) + "）");
}

}  // namespace generatesheet
