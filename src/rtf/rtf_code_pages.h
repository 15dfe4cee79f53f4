// Which code page the bytes of a rich-text document are in: the current
// font's (its \cpg, else its \fcharset), else the default font's (\deff),
// else the document's (\ansicpg, \ansi, \mac, \pc, \pca), else
// Windows-1252.
#ifndef GENERATESHEET_RTF_RTF_CODE_PAGES_H_
#define GENERATESHEET_RTF_RTF_CODE_PAGES_H_

#include <unordered_map>

namespace generatesheet {

class RtfCodePages {
 public:
  static constexpr int kDefault = 1252;

  void SetFontCharset(int font, int charset);
  void SetFontCodePage(int font, int code_page);
  void SetDefaultFont(int font) { default_font_ = font; }
  void SetDocumentCodePage(int code_page) { document_ = code_page; }

  // The code page of text in `font`; -1 stands for the default font.
  int ForFont(int font) const;

 private:
  struct Font {
    int from_charset = 0;   // \fcharset
    int explicit_page = 0;  // \cpg, which wins
  };
  int FontCodePage(int font) const;

  std::unordered_map<int, Font> fonts_;
  int default_font_ = -1;
  int document_ = 0;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_RTF_RTF_CODE_PAGES_H_
