#include "builder/jet/value.h"

namespace generatesheet::jet {

const char* Value::KindName() const {
  if (is_null()) return "Null";
  if (is_bool()) return "布尔值";
  if (is_integer()) return "整数";
  if (is_double()) return "小数";
  return "文本";
}

}  // namespace generatesheet::jet
