#include "render/text_helpers.h"

#include <array>
#include <utility>

namespace generatesheet {

std::string ToChineseNumeral(const std::string& number) {
  static constexpr std::array<std::pair<const char*, const char*>, 10> kNumerals = {{
      {"1", "一"},
      {"2", "二"},
      {"3", "三"},
      {"4", "四"},
      {"5", "五"},
      {"6", "六"},
      {"7", "七"},
      {"8", "八"},
      {"9", "九"},
      {"10", "十"},
  }};
  for (const auto& [digits, numeral] : kNumerals) {
    if (number == digits) return numeral;
  }
  return number;
}

std::string AnswerCodeToLetter(const std::string& code) {
  if (code == "1") return "A";
  if (code == "2") return "B";
  if (code == "4") return "C";
  if (code == "8") return "D";
  return code;
}

}  // namespace generatesheet
