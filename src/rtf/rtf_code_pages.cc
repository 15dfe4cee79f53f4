#include "rtf/rtf_code_pages.h"

#include "rtf/code_page.h"

namespace generatesheet {

void RtfCodePages::SetFontCharset(int font, int charset) {
  fonts_[font].from_charset = CharsetCodePage(charset);
}

void RtfCodePages::SetFontCodePage(int font, int code_page) {
  fonts_[font].explicit_page = code_page;
}

int RtfCodePages::ForFont(int font) const {
  if (int page = FontCodePage(font >= 0 ? font : default_font_); page != 0) return page;
  if (int page = FontCodePage(default_font_); page != 0) return page;
  return document_ != 0 ? document_ : kDefault;
}

int RtfCodePages::FontCodePage(int font) const {
  const auto it = fonts_.find(font);
  if (it == fonts_.end()) return 0;
  return it->second.explicit_page != 0 ? it->second.explicit_page : it->second.from_charset;
}

}  // namespace generatesheet
