#include "util/utf8.h"

#include <cstdint>
#include <cstring>

namespace generatesheet {

void AppendUtf8(char32_t c, std::string* out) {
  if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = kReplacementCharacter;
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (c >> 18)));
    out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

bool NextCodePoint(std::string_view text, std::size_t* pos, char32_t* code_point) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(*pos);
  std::size_t extra;
  char32_t min;
  char32_t c;
  if (lead < 0x80) {
    *code_point = lead;
    ++*pos;
    return true;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1, min = 0x80, c = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, min = 0x800, c = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, min = 0x10000, c = lead & 0x07;
  } else {
    ++*pos;
    return false;
  }
  if (*pos + extra >= text.size()) {
    ++*pos;
    return false;
  }
  for (std::size_t i = 1; i <= extra; ++i) {
    const unsigned char b = byte(*pos + i);
    if ((b & 0xC0) != 0x80) {
      ++*pos;
      return false;
    }
    c = (c << 6) | (b & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++*pos;
    return false;
  }
  *pos += extra + 1;
  *code_point = c;
  return true;
}

bool IsValidUtf8(std::string_view text) {
  std::size_t pos = 0;
  char32_t ignored;
  while (pos < text.size()) {
    // Eight ASCII bytes at a time where the text allows.
    std::uint64_t word;
    if (pos + 8 <= text.size() &&
        (std::memcpy(&word, text.data() + pos, 8), (word & 0x8080808080808080u) == 0)) {
      pos += 8;
    } else if (static_cast<unsigned char>(text[pos]) < 0x80) {
      ++pos;
    } else if (!NextCodePoint(text, &pos, &ignored)) {
      return false;
    }
  }
  return true;
}

}  // namespace generatesheet
