#include "rtf/code_page.h"

#include <string>

#include "rtf/code_page_table.h"
#include "util/error.h"
#include "util/text_encoding.h"
#include "util/utf8.h"

namespace generatesheet {

namespace {

constexpr int kFallbackCodePage = 1252;

std::string EncodingName(int code_page) {
  switch (code_page) {
    case 936:    // GBK, as its table reads it where iconv could not follow
    case 20936:  // GB2312
    case 54936:  // GB18030
      return "GB18030";
    case 950:
      return "CP950";
    case 1361:
      return "JOHAB";
    case 10000:
      return "MACINTOSH";
    case 20127:
      return "ASCII";
    case 65001:
      return "UTF-8";
    default:
      return "CP" + std::to_string(code_page);
  }
}

void AppendAsciiOnly(std::string_view bytes, std::string* out) {
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) < 0x80) {
      out->push_back(c);
    } else {
      AppendUtf8(kReplacementCharacter, out);
    }
  }
}

}  // namespace

int CharsetCodePage(int charset) {
  switch (charset) {
    case 0:
      return 1252;
    case 77:
      return 10000;
    case 128:
      return 932;
    case 129:
      return 949;
    case 130:
      return 1361;
    case 134:
      return 936;
    case 136:
      return 950;
    case 161:
      return 1253;
    case 162:
      return 1254;
    case 163:
      return 1258;
    case 177:
      return 1255;
    case 178:
      return 1256;
    case 186:
      return 1257;
    case 204:
      return 1251;
    case 222:
      return 874;
    case 238:
      return 1250;
    case 255:
      return 437;
    default:
      return 0;
  }
}

void AppendCodePageBytes(std::string_view bytes, int code_page, std::string* out) {
  if (bytes.empty()) return;
  if (const CodePageTable* table = CodePageTable::For(code_page)) {
    if (table->AppendUtf8(bytes, out)) return;
  }
  for (const int page : {code_page, kFallbackCodePage}) {
    try {
      out->append(DecodeToUtf8(bytes, TextEncoding{EncodingName(page), ""}));
      return;
    } catch (const Error&) {
      // A code page iconv does not know: try the fallback.
    }
  }
  AppendAsciiOnly(bytes, out);
}

}  // namespace generatesheet
