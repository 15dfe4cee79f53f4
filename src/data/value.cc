#include "data/value.h"

#include <charconv>
#include <cmath>
#include <string_view>
#include <system_error>

#include "util/error.h"

namespace generatesheet {

namespace {

std::string NullError(const std::string& column) {
  if (column.empty()) return "无效使用 Null";
  return "无效使用 Null：字段 " + column + " 的值为 Null，无法转换为文本";
}

// Plain decimal, never exponent form for values a person would type; no
// dependence on the C or C++ locale.
std::string DoubleToText(double d) {
  if (d == 0) return "0";  // also turns -0 into "0"
  char buf[64];
  std::to_chars_result r;
  double magnitude = std::fabs(d);
  if (std::isfinite(d) && std::trunc(d) == d && magnitude < 1e15) {
    r = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(d));
  } else if (magnitude >= 1e-5 && magnitude < 1e15) {
    r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed);
  } else {
    r = std::to_chars(buf, buf + sizeof buf, d);
  }
  return std::string(buf, r.ptr);
}

std::string_view Trim(std::string_view s) {
  const char* blanks = " \t\r\n";
  std::size_t first = s.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

// A number written as text, as a conversion to Integer accepts it.
bool ParseNumber(std::string_view text, double* out) {
  std::string_view s = Trim(text);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty()) return false;
  auto r = std::from_chars(s.data(), s.data() + s.size(), *out);
  return r.ec == std::errc() && r.ptr == s.data() + s.size() && std::isfinite(*out);
}

std::string Describe(const std::string& column) {
  return column.empty() ? std::string("值") : "字段 " + column + " 的值";
}

}  // namespace

bool Value::IsNumeric() const {
  Kind k = kind();
  return k == Kind::kBoolean || k == Kind::kInteger || k == Kind::kDouble;
}

std::string Value::ToText(const std::string& column) const {
  switch (kind()) {
    case Kind::kNull:
      throw Error(NullError(column));
    case Kind::kBoolean:
      return boolean() ? "True" : "False";
    case Kind::kInteger:
      return std::to_string(integer());
    case Kind::kDouble:
      return DoubleToText(real());
    case Kind::kText:
      return text();
  }
  return {};
}

std::int16_t Value::ToInt16(const std::string& column) const {
  double d = 0;
  switch (kind()) {
    case Kind::kNull:
      throw Error(column.empty()
                      ? "无效使用 Null"
                      : "无效使用 Null：字段 " + column + " 的值为 Null，无法转换为整数");
    case Kind::kBoolean:
      return boolean() ? -1 : 0;
    case Kind::kInteger:
      if (integer() < -32768 || integer() > 32767) {
        throw Error("溢出：" + Describe(column) + " " + std::to_string(integer()) +
                    " 超出 -32768 到 32767 的范围");
      }
      return static_cast<std::int16_t>(integer());
    case Kind::kDouble:
      d = real();
      break;
    case Kind::kText:
      if (!ParseNumber(text(), &d)) {
        throw Error("类型不匹配：" + Describe(column) + " '" + text() + "' 不是数字");
      }
      break;
  }
  // Banker's rounding, as the integer conversion of the original runtime.
  double rounded = std::nearbyint(d);  // default rounding mode: half to even
  if (!(rounded >= -32768 && rounded <= 32767)) {
    throw Error("溢出：" + Describe(column) + " " + DoubleToText(d) +
                " 超出 -32768 到 32767 的范围");
  }
  return static_cast<std::int16_t>(rounded);
}

}  // namespace generatesheet
