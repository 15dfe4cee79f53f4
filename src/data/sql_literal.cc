#include "data/sql_literal.h"

#include "util/error.h"

namespace generatesheet {

std::string SqlQuoted(std::string_view text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') quoted += '\'';
    quoted += c;
  }
  quoted += '\'';
  return quoted;
}

std::string SqlInteger(std::string_view text) {
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '-') digits.remove_prefix(1);
  bool ok = !digits.empty();
  for (char c : digits) ok = ok && c >= '0' && c <= '9';
  if (!ok) throw Error("查询值不是整数：" + std::string(text));
  return std::string(text);
}

}  // namespace generatesheet
