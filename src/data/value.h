// One field value as read from an Access table, with Null told apart.
// Conversions follow the rules the renderers rely on: Null converts to
// nothing and throws; numbers become plain, locale-independent decimal text.
#ifndef GENERATESHEET_DATA_VALUE_H_
#define GENERATESHEET_DATA_VALUE_H_

#include <cstdint>
#include <string>
#include <variant>

namespace generatesheet {

class Value {
 public:
  enum class Kind { kNull, kBoolean, kInteger, kDouble, kText };

  Value() = default;  // Null
  static Value Boolean(bool b) { return Value(b); }
  static Value Integer(std::int64_t i) { return Value(i); }
  static Value Double(double d) { return Value(d); }
  static Value Text(std::string s) { return Value(std::move(s)); }

  Kind kind() const { return static_cast<Kind>(data_.index()); }
  bool IsNull() const { return kind() == Kind::kNull; }
  bool IsNumeric() const;

  // The value as text: integers in plain decimal ("-5"), doubles in their
  // shortest round-trip form ("1.5", "3"), Booleans as "True"/"False".
  // Throws Error("无效使用 Null") for Null; `column` names the field in it.
  std::string ToText(const std::string& column = "") const;

  // The value as a 16-bit integer: fractions round half to even, text must
  // read as a number.  Throws Error for Null, non-numbers and values outside
  // -32768..32767.
  std::int16_t ToInt16(const std::string& column = "") const;

  bool boolean() const { return std::get<bool>(data_); }
  std::int64_t integer() const { return std::get<std::int64_t>(data_); }
  double real() const { return std::get<double>(data_); }
  const std::string& text() const { return std::get<std::string>(data_); }

  bool operator==(const Value& other) const = default;

 private:
  template <typename T>
  explicit Value(T v) : data_(std::move(v)) {}
  std::variant<std::monostate, bool, std::int64_t, double, std::string> data_;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_DATA_VALUE_H_
