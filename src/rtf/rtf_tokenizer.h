// Splits rich text into its tokens: group braces, control words, control
// symbols, \'hh bytes and runs of literal text.  It knows nothing of what a
// control word means; RtfToPlainText gives them their meaning.
#ifndef GENERATESHEET_RTF_RTF_TOKENIZER_H_
#define GENERATESHEET_RTF_RTF_TOKENIZER_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace generatesheet {

struct RtfToken {
  enum class Kind {
    kEnd,            // no more input
    kGroupStart,     // {
    kGroupEnd,       // }
    kControlWord,    // \name or \nameN; `text` is the name
    kControlSymbol,  // \ and one character, held in `symbol`
    kHexByte,        // \'hh; the byte is in `symbol`
    kText,           // literal bytes in `text`, never empty
  };
  Kind kind = Kind::kEnd;
  std::string_view text;
  char symbol = 0;
  bool has_param = false;
  int32_t param = 0;
};

// Reads tokens from a view it does not own; the view must outlive it.
// Raw CR, LF and NUL bytes in the input are not text and are passed over.
// A backslash followed by CR or LF is the control symbol '\n'.  Parameters
// are clamped to +-1,000,000,000 rather than overflowing.
class RtfTokenizer {
 public:
  explicit RtfTokenizer(std::string_view input) : input_(input) {}

  RtfToken Next();

  // Reads the next token into `byte` only when it is a well-formed \'hh
  // (after any ignored bytes); otherwise reads nothing.  Runs of escaped
  // bytes, the way most non-Latin text is written, are read in one go.
  bool NextHexByte(char* byte);

  // How many bytes have been read.
  size_t position() const { return pos_; }

  // Passes over `count` raw bytes (the data of \binN), or over the rest of
  // the input if it is shorter.
  void SkipBytes(size_t count);

 private:
  RtfToken ReadControl();
  RtfToken ReadControlWord();
  RtfToken ReadHexByte();

  std::string_view input_;
  size_t pos_ = 0;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_RTF_RTF_TOKENIZER_H_
