#include "util/error.h"

#include <cerrno>

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
    case EEXIST:
      return "文件已存在";
    case EBUSY:
    case ETXTBSY:
      return "文件正被使用";
    case ENOTEMPTY:
      return "文件夹不为空";
    case ELOOP:
      return "符号链接层数过多";
    case EXDEV:
      return "不能跨文件系统移动";
    case ENOMEM:
      return "内存不足";
    case EFBIG:
      return "文件过大";
    case EINVAL:
      return "参数无效";
    case EAGAIN:
      return "资源暂时不可用";
    case ENXIO:
    case ENODEV:
      return "设备不存在";
    default:
      // Never the system's English words inside a Chinese sentence.
      return "系统错误，错误码 " + std::to_string(errno_value);
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
