#include "util/path.h"

#include <algorithm>

namespace generatesheet {

std::string NativePath(std::string_view path) {
  std::string native(path);
  std::replace(native.begin(), native.end(), '\\', '/');
  return native;
}

}  // namespace generatesheet
