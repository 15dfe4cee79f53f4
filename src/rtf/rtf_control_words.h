// What the control words of rich text mean to a reader of its plain text:
// the destinations whose text is never shown, and the words that change the
// text, its layout or its code page.  Every other word is formatting.
#ifndef GENERATESHEET_RTF_RTF_CONTROL_WORDS_H_
#define GENERATESHEET_RTF_RTF_CONTROL_WORDS_H_

#include <string_view>

namespace generatesheet {

enum class RtfAction {
  kHiddenDestination,  // starts a destination whose text a reader never sees
  kFontTable,          // \fonttbl: the group defines fonts
  kUpr,                // \upr: ANSI text paired with a \ud Unicode text
  kUd,                 // \ud: the Unicode half of an \upr pair
  kLineBreak,          // \par, \line, \sect, \page ...
  kTab,                // \tab
  kCellEnd,            // \cell
  kRowEnd,             // \row
  kCharacter,          // a word that stands for one character
  kFont,               // \fN
  kFontCharset,        // \fcharsetN
  kFontCodePage,       // \cpgN
  kDefaultFont,        // \deffN
  kDocumentCodePage,   // \ansicpgN
  kAnsi,               // \ansi
  kMac,                // \mac
  kPc,                 // \pc
  kPca,                // \pca
  kPlain,              // \plain: back to the default font
  kUnicodeSkip,        // \ucN: fallback units after each \uN
  kUnicode,            // \uN
  kBinary,             // \binN: N bytes of binary data follow
};

struct RtfWordMeaning {
  RtfAction action;
  char32_t character = 0;  // for kCharacter
};

// The meaning of `word`, or nullptr for a word that only formats.  Anything
// in a {\* ...} group is hidden too unless its word has a meaning.
const RtfWordMeaning* FindWordMeaning(std::string_view word);

}  // namespace generatesheet

#endif  // GENERATESHEET_RTF_RTF_CONTROL_WORDS_H_
