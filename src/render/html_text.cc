#include "render/html_text.h"

namespace generatesheet {

namespace {

// What stands for text[*i] in HTML, or null when the character stands for
// itself; moves *i past a "\r\n" pair.  Line breaks count only when asked.
const char* Replacement(std::string_view text, std::size_t* i, bool line_breaks) {
  switch (text[*i]) {
    case '&':
      return "&amp;";
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    case '"':
      return "&quot;";
    case '\'':
      return "&#39;";
    case '\r':
      if (!line_breaks) return nullptr;
      if (*i + 1 < text.size() && text[*i + 1] == '\n') ++*i;
      return "<br>";
    case '\n':
      return line_breaks ? "<br>" : nullptr;
    default:
      return nullptr;
  }
}

// Text is copied in runs between the characters that need replacing.
std::string ToHtml(std::string_view text, bool line_breaks) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  std::size_t run = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t at = i;
    const char* replacement = Replacement(text, &i, line_breaks);
    if (replacement == nullptr) continue;
    out.append(text.substr(run, at - run)).append(replacement);
    run = i + 1;
  }
  out.append(text.substr(run));
  return out;
}

}  // namespace

std::string EscapeHtml(std::string_view text) { return ToHtml(text, false); }

std::string PlainTextToHtml(std::string_view text) { return ToHtml(text, true); }

}  // namespace generatesheet
