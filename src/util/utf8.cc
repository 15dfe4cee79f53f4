#include "util/utf8.h"

#include <bit>
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

namespace {

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// The length of the strict UTF-8 sequence at p[0..left), 0 when there is
// none.  Two- and three-byte sequences, nearly all of non-ASCII text, are
// checked here without decoding them.
std::size_t SequenceLength(const unsigned char* p, std::size_t left) {
  const unsigned char lead = p[0];
  if (lead >= 0xC2 && lead <= 0xDF) return left >= 2 && IsContinuation(p[1]) ? 2 : 0;
  if (lead >= 0xE0 && lead <= 0xEF) {
    if (left < 3 || !IsContinuation(p[1]) || !IsContinuation(p[2])) return 0;
    if (lead == 0xE0 && p[1] < 0xA0) return 0;   // overlong
    if (lead == 0xED && p[1] >= 0xA0) return 0;  // a surrogate
    return 3;
  }
  std::size_t pos = 0;
  char32_t ignored;
  const std::string_view rest(reinterpret_cast<const char*>(p), left);
  return NextCodePoint(rest, &pos, &ignored) ? pos : 0;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t pos = 0;
  const std::size_t size = text.size();
  while (pos < size) {
    if (p[pos] >= 0x80) {
      const std::size_t length = SequenceLength(p + pos, size - pos);
      if (length == 0) return false;
      pos += length;
    } else if (pos + 8 <= size) {
      // Eight bytes at a time: all ASCII are passed over, and in a mixed
      // word the ASCII bytes before the first other byte.
      std::uint64_t word;
      std::memcpy(&word, p + pos, 8);
      const std::uint64_t high = word & 0x8080808080808080u;
      if (high == 0) {
        pos += 8;
      } else if constexpr (std::endian::native == std::endian::little) {
        pos += static_cast<std::size_t>(std::countr_zero(high)) / 8;
      } else {
        ++pos;
      }
    } else {
      ++pos;
    }
  }
  return true;
}

}  // namespace generatesheet
