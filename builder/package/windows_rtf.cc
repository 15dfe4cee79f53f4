// Plain text written as rich text the way a Windows rich-text control writes
// Chinese: the GBK code page, GBK bytes as \'hh escapes, anything GBK cannot
// hold as \uN with a "?" fallback, each line ended by \par.
#include <cstdio>

#include "builder/package/answer_package.h"
#include "util/text_encoding.h"
#include "util/utf8.h"

namespace generatesheet::builder {

namespace {

constexpr char kHeader[] =
    "{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang1033\\deflangfe2052"
    "{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\r\n"
    "\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs18 ";

void AppendHexEscapes(std::string& out, const std::string& bytes) {
  char hex[8];
  for (const char b : bytes) {
    std::snprintf(hex, sizeof hex, "\\'%02x", static_cast<unsigned char>(b));
    out += hex;
  }
}

void AppendUnicodeEscape(std::string& out, char32_t unit) {
  // \u takes a signed 16-bit number.
  const int value = unit > 0x7FFF ? static_cast<int>(unit) - 0x10000 : static_cast<int>(unit);
  out += "\\u" + std::to_string(value) + "?";
}

}  // namespace

std::string PlainTextToWindowsRtf(const std::string& utf8) {
  std::string out = kHeader;
  size_t i = 0;
  while (i < utf8.size()) {
    const size_t start = i;
    char32_t cp = kReplacementCharacter;
    if (!NextCodePoint(utf8, &i, &cp)) cp = kReplacementCharacter;
    if (cp == '\r') continue;
    if (cp == '\n') {
      out += "\\par\r\n";
    } else if (cp == '\\' || cp == '{' || cp == '}') {
      out += '\\';
      out += static_cast<char>(cp);
    } else if (cp == '\t') {
      out += "\\tab ";
    } else if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else {
      const std::string gb = ConvertEncoding(utf8.substr(start, i - start), "UTF-8", "GB18030");
      if (gb.size() == 2) {
        AppendHexEscapes(out, gb);
      } else if (cp >= 0x10000) {
        AppendUnicodeEscape(out, 0xD800 + ((cp - 0x10000) >> 10));
        AppendUnicodeEscape(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
      } else {
        AppendUnicodeEscape(out, cp);
      }
    }
  }
  return out + "\\par\r\n}";
}

}  // namespace generatesheet::builder
