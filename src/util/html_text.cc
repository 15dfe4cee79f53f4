#include "util/html_text.h"

#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The bytes Replacement may replace; every other byte stands for itself.
constexpr std::array<bool, 256> kMayBeReplaced = [] {
  std::array<bool, 256> table{};
  for (const unsigned char c : {'&', '<', '>', '"', '\'', '\r', '\n'}) table[c] = true;
  return table;
}();

// Whether none of the sixteen bytes at `p` may be replaced.
bool SixteenStandForThemselves(const char* p) {
#if defined(__SSE2__)
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  __m128i hits = _mm_setzero_si128();
  for (const char c : {'&', '<', '>', '"', '\'', '\r', '\n'}) {
    hits = _mm_or_si128(hits, _mm_cmpeq_epi8(v, _mm_set1_epi8(c)));
  }
  return _mm_movemask_epi8(hits) == 0;
#else
  for (int k = 0; k < 16; ++k) {
    if (kMayBeReplaced[static_cast<unsigned char>(p[k])]) return false;
  }
  return true;
#endif
}

// Text is copied in runs between the characters that need replacing.
std::string ToHtml(std::string_view text, bool line_breaks) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  std::size_t run = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    while (i + 16 <= text.size() && SixteenStandForThemselves(text.data() + i)) i += 16;
    if (i == text.size() || !kMayBeReplaced[static_cast<unsigned char>(text[i])]) continue;
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
