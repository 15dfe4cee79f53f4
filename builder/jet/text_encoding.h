// Text as Jet 4 stores it: UTF-16LE code units, characters outside the BMP
// as surrogate pairs, no compression.
#ifndef GENERATESHEET_BUILDER_JET_TEXT_ENCODING_H_
#define GENERATESHEET_BUILDER_JET_TEXT_ENCODING_H_

#include <optional>
#include <string>
#include <string_view>

namespace generatesheet::jet {

// Strict UTF-8 decoding (no overlong forms, no encoded surrogates, nothing
// above U+10FFFF).  Returns nullopt on invalid input.
std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8);

// The stored bytes of a text or memo value.  Readers take a value that
// starts with the bytes FF FE as "compressed" text, so a value longer than
// one unit that starts with U+FEFF is written in that compressed form with
// one switch to uncompressed mode.  That form cannot hold a unit whose low
// byte is 0 (such as U+4E00); for such a value this returns nullopt.
std::optional<std::string> JetTextBytes(const std::u16string& units);

}  // namespace generatesheet::jet

#endif  // GENERATESHEET_BUILDER_JET_TEXT_ENCODING_H_
