// UTF-8, the library's one text form: encoding and strict decoding of code
// points.
#ifndef GENERATESHEET_UTIL_UTF8_H_
#define GENERATESHEET_UTIL_UTF8_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace generatesheet {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Appends the UTF-8 form of `code_point`; a surrogate or a value beyond
// U+10FFFF becomes U+FFFD.
void AppendUtf8(char32_t code_point, std::string* out);

// Decodes the code point at text[*pos] and moves *pos past it.  Returns
// false, moving *pos one byte on, when the bytes there are not strict UTF-8
// (a stray or cut-short sequence, an overlong form, a surrogate).
bool NextCodePoint(std::string_view text, std::size_t* pos, char32_t* code_point);

// True when all of `text` is strict UTF-8.
bool IsValidUtf8(std::string_view text);

}  // namespace generatesheet

#endif  // GENERATESHEET_UTIL_UTF8_H_
