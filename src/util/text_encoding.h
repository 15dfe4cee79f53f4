// Text encodings of templates and pages.  The library works in UTF-8; a
// template is decoded from its own encoding and the page is written back in
// that same encoding, so the template's own <meta charset> stays true.
#ifndef GENERATESHEET_UTIL_TEXT_ENCODING_H_
#define GENERATESHEET_UTIL_TEXT_ENCODING_H_

#include <optional>
#include <string>
#include <string_view>

#include "util/utf8.h"

namespace generatesheet {

struct TextEncoding {
  std::string name;  // an iconv name: "UTF-8", "GB18030", "UTF-16LE", ...
  std::string bom;   // the byte-order mark the file starts with, if any
};

// Decides a template's encoding, in this order: a byte-order mark; the whole
// file valid as strict UTF-8; a <meta charset> or http-equiv content type in
// the first 1024 bytes; otherwise GB18030 (which decodes every legacy GBK or
// GB2312 template; GB2312 and GBK labels are read as GB18030 too).
TextEncoding DetectTemplateEncoding(std::string_view bytes);

// Throws Error naming the file (`what` says which: "模板", "清单") when
// `bytes` open with a UTF-32 byte-order mark, in either byte order.  Such
// text is refused: its little-endian mark would pass for UTF-16's and the
// whole text would come out garbled.
void RefuseUtf32(std::string_view bytes, const std::string& what, const std::string& path);

// `bytes` (its byte-order mark, if any, removed) as UTF-8; an invalid byte
// becomes U+FFFD.  Throws Error for an encoding iconv does not know.
std::string DecodeToUtf8(std::string_view bytes, const TextEncoding& encoding);

// `bytes` (its byte-order mark, if any, removed) as UTF-8 when every byte
// of them is valid in `encoding`; else the offset in `bytes` of the first
// byte that is not (the first of a sequence cut short by the end).  Throws
// Error for an encoding iconv does not know.
struct StrictDecoding {
  std::string text;
  std::optional<std::size_t> invalid_at;
};
StrictDecoding DecodeToUtf8Strictly(std::string_view bytes, const TextEncoding& encoding);

// `utf8` in `encoding`, preceded by its byte-order mark.  A character the
// encoding cannot hold is written as an HTML character reference ("&#NNNN;")
// so no character is lost.  Throws Error for an unknown encoding.
std::string EncodeFromUtf8(std::string utf8, const TextEncoding& encoding);

// Converts between two encodings known to iconv; invalid input bytes become
// U+FFFD's equivalent (or "?" where the target cannot hold it).  One iconv
// descriptor per thread and pair of encodings.
std::string ConvertEncoding(std::string_view bytes, const std::string& from, const std::string& to);

// What iconv makes of the first character of `bytes` in `encoding`: the
// code point and how many bytes it took, or that those bytes are invalid or
// cut short by the end of `bytes`, or kOther (a shift sequence, no output
// without an error).  For tables of single- and double-byte
// code pages built one character at a time.  Throws Error for an encoding
// iconv does not know.
struct FirstCharacter {
  enum class Outcome { kDecoded, kInvalid, kCutShort, kOther };
  Outcome outcome = Outcome::kOther;
  std::size_t length = 0;  // bytes taken, for kDecoded
  char32_t code_point = 0;
};
FirstCharacter DecodeFirstCharacter(std::string_view bytes, const std::string& encoding);

}  // namespace generatesheet

#endif  // GENERATESHEET_UTIL_TEXT_ENCODING_H_
