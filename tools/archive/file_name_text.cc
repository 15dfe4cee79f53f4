#include "tools/archive/file_name_text.h"

#include <sodium.h>

#include "util/sodium_ready.h"
#include "util/utf8.h"

namespace generatesheet::cli {

namespace {

// Characters that end a line, or rearrange how the rest of it reads, in
// some terminal, editor or log viewer.
bool Unprintable(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 || c == 0x200E ||
         c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

void AppendEscaped(std::string_view bytes, std::string& out) {
  static constexpr char kDigits[] = "0123456789abcdef";
  for (const char byte : bytes) {
    const auto b = static_cast<unsigned char>(byte);
    out += "\\x";
    out += kDigits[b >> 4];
    out += kDigits[b & 0xF];
  }
}

}  // namespace

std::string PrintableName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  size_t pos = 0;
  while (pos < name.size()) {
    const size_t start = pos;
    char32_t c = 0;
    const bool valid = NextCodePoint(name, &pos, &c);
    const std::string_view bytes = name.substr(start, pos - start);
    if (!valid || Unprintable(c)) {
      AppendEscaped(bytes, out);
    } else if (c == '\\') {
      out += "\\\\";
    } else {
      out += bytes;
    }
  }
  return out;
}

}  // namespace generatesheet::cli
