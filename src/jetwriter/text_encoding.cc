#include "jetwriter/text_encoding.h"

#include <cstdint>

namespace generatesheet::jet {

namespace {

// Decodes one code point at *pos; returns false on an invalid sequence.
bool NextCodePoint(std::string_view s, size_t* pos, uint32_t* cp) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(s[i]); };
  uint8_t lead = byte(*pos);
  int extra;
  uint32_t min;
  if (lead < 0x80) {
    *cp = lead;
    ++*pos;
    return true;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1, min = 0x80, *cp = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, min = 0x800, *cp = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, min = 0x10000, *cp = lead & 0x07;
  } else {
    return false;
  }
  if (*pos + extra >= s.size()) return false;
  for (int i = 1; i <= extra; ++i) {
    uint8_t b = byte(*pos + i);
    if ((b & 0xC0) != 0x80) return false;
    *cp = (*cp << 6) | (b & 0x3F);
  }
  if (*cp < min || *cp > 0x10FFFF || (*cp >= 0xD800 && *cp <= 0xDFFF)) return false;
  *pos += extra + 1;
  return true;
}

}  // namespace

std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  size_t pos = 0;
  while (pos < utf8.size()) {
    uint32_t cp;
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
