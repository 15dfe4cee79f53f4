#include "builder/jet/column.h"

namespace generatesheet::jet {

const char* ColumnTypeName(ColumnType type) {
  switch (type) {
    case ColumnType::kBoolean:
      return "布尔";
    case ColumnType::kInteger:
      return "整型";
    case ColumnType::kLong:
      return "长整型";
    case ColumnType::kDouble:
      return "双精度";
    case ColumnType::kText:
      return "文本";
    case ColumnType::kMemo:
      return "备注";
  }
  return "未知";
}

}  // namespace generatesheet::jet
