#include "tools/pdf/page_style.h"

#include <algorithm>
#include <cstddef>

#include "util/utf8.h"

namespace generatesheet::cli {

namespace {

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
char32_t HexValue(char c) { return IsDigit(c) ? c - '0' : (c >= 'a' ? c - 'a' : c - 'A') + 10; }

// A character of an identifier, number, dimension, percentage or colour.
bool IsWordCharacter(char c) {
  return IsAsciiLetter(c) || IsDigit(c) || c == '.' || c == '%' || c == '#' || c == '+' ||
         c == '-' || c == '_';
}

bool IsCssNewline(char c) { return c == '\n' || c == '\r' || c == '\f'; }

bool NeedsEscape(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == '"' || c == '\'' || c == '\\' || c == '<' ||
         c == '>' || c == '&';
}

// A property name: lower-case letters, digits and hyphens, a letter first
// (after a vendor prefix's hyphen).
bool IsPlainProperty(std::string_view name) {
  if (name.starts_with('-')) name.remove_prefix(1);
  return !name.empty() && name.front() >= 'a' && name.front() <= 'z' &&
         std::all_of(name.begin(), name.end(),
                     [](char c) { return (c >= 'a' && c <= 'z') || IsDigit(c) || c == '-'; });
}

// Reads the string opening at value[*at] (its quote) up to its closing
// quote, CSS escapes decoded, and moves *at past it.  False for a string
// left open, holding a raw line break, or not UTF-8.
bool ReadString(std::string_view value, size_t* at, std::string* text) {
  const char quote = value[(*at)++];
  while (*at < value.size()) {
    const char c = value[*at];
    if (c == quote) {
      ++*at;
      return true;
    }
    if (IsCssNewline(c)) return false;
    if (c != '\\') {
      char32_t code_point;
      if (!NextCodePoint(value, at, &code_point)) return false;
      AppendUtf8(code_point, text);
      continue;
    }
    if (++*at == value.size()) return false;
    if (IsHexDigit(value[*at])) {
      char32_t code_point = 0;
      for (int digits = 0; digits < 6 && *at < value.size() && IsHexDigit(value[*at]); ++digits) {
        code_point = code_point * 16 + HexValue(value[(*at)++]);
      }
      if (*at < value.size() && value.substr(*at, 2) == "\r\n") {
        *at += 2;
      } else if (*at < value.size() &&
                 (value[*at] == ' ' || value[*at] == '\t' || IsCssNewline(value[*at]))) {
        ++*at;
      }
      AppendUtf8(code_point == 0 ? kReplacementCharacter : code_point, text);
    } else if (IsCssNewline(value[*at])) {
      *at += value.substr(*at, 2) == "\r\n" ? 2 : 1;  // a line continued
    } else {
      char32_t code_point;
      if (!NextCodePoint(value, at, &code_point)) return false;
      AppendUtf8(code_point, text);
    }
  }
  return false;
}

// Reads "page)" or "pages)", with a counter style after a comma, at
// value[*at] (just past "counter("), writing the student's counter.
bool ReadPageCounter(std::string_view value, size_t* at, std::string* out) {
  const auto word = [&] {
    while (*at < value.size() && value[*at] == ' ') ++*at;
    const size_t start = *at;
    while (*at < value.size() && (IsAsciiLetter(value[*at]) || value[*at] == '-')) ++*at;
    std::string_view read = value.substr(start, *at - start);
    while (*at < value.size() && value[*at] == ' ') ++*at;
    return read;
  };
  const std::string_view counter = word();
  if (counter != "page" && counter != "pages") return false;
  *out += "counter(generate-sheet-" + std::string(counter);
  if (*at < value.size() && value[*at] == ',') {
    ++*at;
    const std::string_view style = word();
    if (style.empty()) return false;
    *out += ", " + std::string(style);
  }
  if (*at == value.size() || value[*at] != ')') return false;
  ++*at;
  *out += ")";
  return true;
}

// The value written anew from its tokens, or nullopt (see
// RewrittenDeclarations).
std::optional<std::string> RewrittenValue(std::string_view value, bool student_counters) {
  std::string out;
  int depth = 0;
  for (size_t at = 0; at < value.size();) {
    const char c = value[at];
    if (c == ' ') {
      out += ' ';
      ++at;
    } else if (c == '"' || c == '\'') {
      std::string text;
      if (!ReadString(value, &at, &text)) return std::nullopt;
      out += CssString(text);
    } else if (IsWordCharacter(c)) {
      const size_t start = at;
      while (at < value.size() && IsWordCharacter(value[at])) ++at;
      std::string word(value.substr(start, at - start));
      if (at == value.size() || value[at] != '(') {
        out += word;
        continue;
      }
      ++at;
      std::transform(word.begin(), word.end(), word.begin(),
                     [](char w) { return w >= 'A' && w <= 'Z' ? static_cast<char>(w + 32) : w; });
      if (word == "counter") {
        if (!student_counters || !ReadPageCounter(value, &at, &out)) return std::nullopt;
      } else if (word == "rgb" || word == "rgba") {
        out += word + "(";
        ++depth;
      } else {
        return std::nullopt;
      }
    } else if (c == ',' || c == '/') {
      out += c;
      ++at;
    } else if (c == ')' && depth > 0) {
      out += c;
      --depth;
      ++at;
    } else {
      return std::nullopt;
    }
  }
  if (depth != 0 || out.find_first_not_of(' ') == std::string::npos) return std::nullopt;
  return out;
}

constexpr std::string_view kMarginBoxes[] = {
    "top-left-corner",     "top-left",     "top-center",    "top-right",
    "top-right-corner",    "right-top",    "right-middle",  "right-bottom",
    "bottom-right-corner", "bottom-right", "bottom-center", "bottom-left",
    "bottom-left-corner",  "left-bottom",  "left-middle",   "left-top"};

}  // namespace

std::string CssString(std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (size_t at = 0; at < text.size();) {
    char32_t c;
    if (!NextCodePoint(text, &at, &c)) c = kReplacementCharacter;
    if (!NeedsEscape(c)) {
      AppendUtf8(c, &out);
      continue;
    }
    out += '\\';
    if (c >= 16) out += kHex[(c >> 4) & 15];
    out += kHex[c & 15];
    out += ' ';
  }
  return out + "\"";
}

std::optional<std::string> RewrittenDeclarations(const std::vector<StyleDeclaration>& declarations,
                                                 bool student_counters) {
  std::string out;
  for (const StyleDeclaration& d : declarations) {
    if (!IsPlainProperty(d.property) || d.property.starts_with("counter-")) return std::nullopt;
    const std::optional<std::string> value = RewrittenValue(d.value, student_counters);
    if (!value) return std::nullopt;
    out += (out.empty() ? "" : " ") + d.property + ": " + *value +
           (d.important ? " !important;" : ";");
  }
  return out;
}

std::optional<std::string> RewrittenMarginBox(const MarginBox& box) {
  if (std::find(std::begin(kMarginBoxes), std::end(kMarginBoxes), box.name) ==
      std::end(kMarginBoxes)) {
    return std::nullopt;
  }
  const std::optional<std::string> declarations = RewrittenDeclarations(box.declarations, true);
  if (!declarations) return std::nullopt;
  return "@" + box.name + " { " + *declarations + " }";
}

}  // namespace generatesheet::cli
