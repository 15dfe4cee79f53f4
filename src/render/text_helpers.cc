#include "render/text_helpers.h"

#include <array>
#include <utility>

#include "util/utf8.h"

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

namespace {

bool IsBlank(char32_t c) { return c == ' ' || c == '\t' || c == 0x3000 || c == 0xA0; }

bool IsLineBreak(char32_t c) {
  return c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == 0x2028 || c == 0x2029;
}

// The code points of `line` without the blanks at either end.
std::u32string Trimmed(std::u32string line) {
  size_t end = line.size();
  while (end > 0 && IsBlank(line[end - 1])) --end;
  size_t begin = 0;
  while (begin < end && IsBlank(line[begin])) ++begin;
  return line.substr(begin, end - begin);
}

}  // namespace

std::string FirstLineOf(const std::string& text, std::size_t max_characters) {
  std::u32string line;
  for (size_t pos = 0;;) {
    const bool at_end = pos >= text.size();
    char32_t c = '\n';
    if (!at_end && !NextCodePoint(text, &pos, &c)) c = kReplacementCharacter;
    if (at_end || IsLineBreak(c)) {
      line = Trimmed(std::move(line));
      if (!line.empty() || at_end) break;
      continue;
    }
    line.push_back(c < 0x20 || c == 0x7F ? U' ' : c);
  }
  const bool cut = line.size() > max_characters;
  if (cut) line = Trimmed(line.substr(0, max_characters));
  std::string out;
  for (const char32_t c : line) AppendUtf8(c, &out);
  if (cut) out += "…";
  return out;
}

}  // namespace generatesheet
