#include "render/html_text.h"

namespace generatesheet {

std::string EscapeHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string PlainTextToHtml(std::string_view text) {
  const std::string escaped = EscapeHtml(text);
  std::string out;
  out.reserve(escaped.size());
  for (size_t i = 0; i < escaped.size(); ++i) {
    if (escaped[i] == '\r') {
      if (i + 1 < escaped.size() && escaped[i + 1] == '\n') ++i;
      out += "<br>";
    } else if (escaped[i] == '\n') {
      out += "<br>";
    } else {
      out += escaped[i];
    }
  }
  return out;
}

}  // namespace generatesheet
