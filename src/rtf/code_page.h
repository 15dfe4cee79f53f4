// Windows code pages as they appear in rich text, and decoding of their bytes
// into UTF-8.  Every function here is safe on any thread.
#ifndef GENERATESHEET_RTF_CODE_PAGE_H_
#define GENERATESHEET_RTF_CODE_PAGE_H_

#include <string>
#include <string_view>

namespace generatesheet {

// The code page a font's \fcharsetN names (134 -> 936, 0 -> 1252, ...), or 0
// when the charset names none of its own: 1 (default), 2 (symbol) and values
// not known here.  The caller then falls back to the document's code page.
int CharsetCodePage(int charset);

// Appends `bytes`, text in the Windows code page `code_page` (936, 1252,
// 65001, ...), to `out` as UTF-8.  Code page 936 is GBK as Windows reads it
// (GB18030's one- and two-byte characters, the user-defined areas among them
// at U+E000 onward, with 0x80 "€" and no four-byte characters), but for 25
// pairs Windows reads as private-use code points, which give the characters
// Unicode has for them (0xA6 0xD9 U+FE10, 0xA8 0xBC U+1E3F, 0xFE 0x51
// U+20087, ...: rtf/code_page_table.cc); 54936 and GB2312 (20936) are
// read as GB18030, a superset.
// A byte that does not decode becomes U+FFFD and decoding goes on after it.
// An unknown code page is read as 1252.
void AppendCodePageBytes(std::string_view bytes, int code_page, std::string* out);

}  // namespace generatesheet

#endif  // GENERATESHEET_RTF_CODE_PAGE_H_
