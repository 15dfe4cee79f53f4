// Rich text (RTF) to plain text.  A pure function, safe on any thread.
//
// Characters keep their identity whatever the code page of the document
// (\ansicpg, the fonts' \fcharset); formatting, pictures, objects and other
// destinations are dropped.  \par and \line become "\n", \tab a tab.
// Undecodable bytes become U+FFFD.  Input that is not RTF comes back as it is.
#ifndef GENERATESHEET_RENDER_RTF_TO_TEXT_H_
#define GENERATESHEET_RENDER_RTF_TO_TEXT_H_

#include <string>
#include <string_view>

namespace generatesheet {

// Returns UTF-8 text.  Never throws for malformed RTF: what can be read is
// returned.
std::string RtfToPlainText(std::string_view rtf);

}  // namespace generatesheet

#endif  // GENERATESHEET_RENDER_RTF_TO_TEXT_H_
