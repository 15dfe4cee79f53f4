// Column types and column declarations of the Jet writer.
#ifndef GENERATESHEET_BUILDER_JET_COLUMN_H_
#define GENERATESHEET_BUILDER_JET_COLUMN_H_

#include <string>

namespace generatesheet::jet {

enum class ColumnType {
  kBoolean,  // Yes/No; never Null
  kInteger,  // 16-bit signed
  kLong,     // 32-bit signed ("Long Integer")
  kDouble,   // IEEE 754 binary64
  kText,     // up to 255 UTF-16 code units, stored as UTF-16LE
  kMemo,     // long text, stored as UTF-16LE, up to 16 MiB - 1 bytes
};

struct Column {
  Column(std::string column_name, ColumnType column_type, int max_length = 255)
      : name(std::move(column_name)), type(column_type), text_length(max_length) {}

  std::string name;  // UTF-8, 1..64 characters, unique in its table (ignoring case)
  ColumnType type;
  int text_length;  // kText only: the most UTF-16 code units a value may hold, 1..255
};

// "布尔", "整型", "长整型", "双精度", "文本" or "备注", for error texts.
const char* ColumnTypeName(ColumnType type);

}  // namespace generatesheet::jet

#endif  // GENERATESHEET_BUILDER_JET_COLUMN_H_
