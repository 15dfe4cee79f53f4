#include "data/jet_text.h"

#include <vector>

#include "util/utf8.h"

namespace generatesheet {

namespace {

std::string Utf16ToUtf8(const std::vector<char16_t>& units) {
  std::string out;
  out.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(c, &out);
  }
  return out;
}

void AppendUtf16Le(const unsigned char* data, std::size_t size, std::vector<char16_t>* units) {
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    units->push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  }
}

}  // namespace

std::string DecodeJetText(const unsigned char* data, std::size_t size) {
  std::vector<char16_t> units;
  if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
    // The writer compresses only text without zero bytes in its UTF-16
    // form, so every zero byte is a mode switch.
    bool compressed = true;
    std::size_t start = 2;
    for (std::size_t i = 2; i <= size; ++i) {
      if (i < size && data[i] != 0) continue;
      if (compressed) {
        for (std::size_t j = start; j < i; ++j) units.push_back(data[j]);
      } else {
        AppendUtf16Le(data + start, i - start, &units);
      }
      compressed = !compressed;
      start = i + 1;
    }
  } else {
    AppendUtf16Le(data, size, &units);
  }
  return Utf16ToUtf8(units);
}

}  // namespace generatesheet
