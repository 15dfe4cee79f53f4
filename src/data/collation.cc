#include "data/collation.h"

#include "util/utf8.h"

#include "data/jet_text.h"

namespace generatesheet {

namespace {

char32_t FoldCodePoint(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c < 0xC0) return c;
  if (c <= 0xDE) return c == 0xD7 ? c : c + 32;
  if (c >= 0x100 && c <= 0x137) return c | 1;
  if (c >= 0x139 && c <= 0x148) return (c & 1) ? c + 1 : c;
  if (c >= 0x14A && c <= 0x177) return c | 1;
  if (c == 0x178) return 0xFF;
  if (c >= 0x179 && c <= 0x17E) return (c & 1) ? c + 1 : c;
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 37;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 63;
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 32;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0xFF21 && c <= 0xFF3A) return c + 32;
  return c;
}

unsigned char AsciiLower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

}  // namespace

std::string FoldCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t start = i;
    char32_t c;
    if (NextCodePoint(text, &i, &c)) {
      AppendUtf8(FoldCodePoint(c), &out);
    } else {
      out.push_back(text[start]);
    }
  }
  return out;
}

bool EqualsFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  std::size_t i = 0;
  while (i < a.size()) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (x < 0x80 && y < 0x80) {
      if (x != y && AsciiLower(x) != AsciiLower(y)) return false;
      ++i;
      continue;
    }
    std::size_t next_a = i, next_b = i;
    char32_t ca, cb;
    const bool valid_a = NextCodePoint(a, &next_a, &ca);
    const bool valid_b = NextCodePoint(b, &next_b, &cb);
    if (valid_a != valid_b || next_a != next_b) return false;
    if (valid_a ? FoldCodePoint(ca) != FoldCodePoint(cb) : x != y) return false;
    i = next_a;
  }
  return true;
}

int CompareText(std::string_view a, std::string_view b) { return FoldCase(a).compare(FoldCase(b)); }

}  // namespace generatesheet
