// One field value handed to the Jet writer: Null, a boolean, an integer, a
// double or UTF-8 text.  Implicit constructors keep rows short:
//   table.AddRow({1, "张三", nullptr, 2.5, true});
#ifndef GENERATESHEET_BUILDER_JET_VALUE_H_
#define GENERATESHEET_BUILDER_JET_VALUE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace generatesheet::jet {

class Value {
 public:
  Value() = default;  // Null
  Value(std::nullptr_t) {}
  Value(bool v) : data_(v) {}
  Value(int v) : data_(int64_t{v}) {}
  Value(long v) : data_(int64_t{v}) {}
  Value(long long v) : data_(int64_t{v}) {}
  Value(double v) : data_(v) {}
  Value(const char* utf8) : data_(std::string(utf8)) {}
  Value(std::string_view utf8) : data_(std::string(utf8)) {}
  Value(std::string utf8) : data_(std::move(utf8)) {}

  static Value Null() { return Value(); }

  bool is_null() const { return std::holds_alternative<std::monostate>(data_); }
  bool is_bool() const { return std::holds_alternative<bool>(data_); }
  bool is_integer() const { return std::holds_alternative<int64_t>(data_); }
  bool is_double() const { return std::holds_alternative<double>(data_); }
  bool is_text() const { return std::holds_alternative<std::string>(data_); }

  // Accessors; each requires the matching is_*() to be true.
  bool as_bool() const { return std::get<bool>(data_); }
  int64_t as_integer() const { return std::get<int64_t>(data_); }
  double as_double() const { return std::get<double>(data_); }
  const std::string& as_text() const { return std::get<std::string>(data_); }

  // "Null", "布尔值", "整数", "小数" or "文本", for error texts.
  const char* KindName() const;

 private:
  std::variant<std::monostate, bool, int64_t, double, std::string> data_;
};

}  // namespace generatesheet::jet

#endif  // GENERATESHEET_BUILDER_JET_VALUE_H_
