#include "builder/jet/text_encoding.h"

#include "util/utf8.h"

#include <cstdint>

namespace generatesheet::jet {

std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t cp;
    if (!NextCodePoint(utf8, &pos, &cp)) return std::nullopt;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::optional<std::string> JetTextBytes(const std::u16string& units) {
  std::string out;
  const bool escape = units.size() > 1 && units[0] == u'\xFEFF';
  if (escape) {
    for (char16_t u : units) {
      if ((u & 0xFF) == 0) return std::nullopt;
    }
    // Compressed-text marker, then a 0 byte switching to two bytes a unit.
    out.append("\xFF\xFE\x00", 3);
  }
  out.reserve(out.size() + units.size() * 2);
  for (char16_t u : units) {
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
  }
  return out;
}

}  // namespace generatesheet::jet
