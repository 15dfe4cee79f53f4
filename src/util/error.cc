#include "util/error.h"

#include <cstring>

namespace generatesheet {

Error SystemError(const std::string& what, const std::string& path, int errno_value) {
  return Error(what + "：" + path + "：" + std::strerror(errno_value));
}

}  // namespace generatesheet
