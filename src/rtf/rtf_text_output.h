// The plain text of a rich-text document as it is read, in UTF-8.  Bytes
// are held back and decoded together while they stay in one code page, so a
// double-byte character split across \'hh escapes and literal text still
// comes out whole; \uN units are joined into surrogate pairs.
#ifndef GENERATESHEET_RTF_RTF_TEXT_OUTPUT_H_
#define GENERATESHEET_RTF_RTF_TEXT_OUTPUT_H_

#include <string>
#include <string_view>

namespace generatesheet {

class RtfTextOutput {
 public:
  // Bytes of text in the Windows code page `code_page`; NUL bytes are not
  // text.  Bytes that do not decode become U+FFFD.
  void AppendBytes(std::string_view bytes, int code_page);

  void AppendCodePoint(char32_t code_point);

  // One UTF-16 unit of a \uN: a high surrogate waits for its low half, a
  // lone half becomes U+FFFD, and 0 adds nothing.
  void AppendUnicodeUnit(char32_t unit);

  // Removes a tab that ends the text so far (the last cell's, at a row end).
  void DropTrailingTab();

  // Nothing has been added yet (or all that was added adds nothing).
  bool Empty() const { return out_.empty() && pending_bytes_.empty() && high_surrogate_ == 0; }

  // The text, without the line breaks at its end.
  std::string Finish();

 private:
  void FlushBytes();
  void FlushLoneSurrogate();

  std::string pending_bytes_;
  int pending_code_page_ = 0;
  char32_t high_surrogate_ = 0;
  std::string out_;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_RTF_RTF_TEXT_OUTPUT_H_
