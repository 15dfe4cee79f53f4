// Text from a database or a property, made safe to stand in HTML.
#ifndef GENERATESHEET_UTIL_HTML_TEXT_H_
#define GENERATESHEET_UTIL_HTML_TEXT_H_

#include <string>
#include <string_view>

namespace generatesheet {

// Escapes & < > " and ' so the text shows as itself and never as markup.
std::string EscapeHtml(std::string_view text);

// EscapeHtml, then every line break ("\r\n", "\r" or "\n") shown as "<br>".
// For the plain text of converted rich text.
std::string PlainTextToHtml(std::string_view text);

}  // namespace generatesheet

#endif  // GENERATESHEET_UTIL_HTML_TEXT_H_
