#include "data/jet_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "util/little_endian.h"
#include "util/utf8.h"

namespace generatesheet {

namespace {

// When the eight UTF-16LE units at `units` are all ASCII, writes their low
// bytes to `out` and answers true.
bool PackEightAsciiUnits(const unsigned char* units, char* out) {
#if defined(__SSE2__)
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units));
  const __m128i high = _mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xFF80)));
  if (_mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) != 0xFFFF) return false;
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(v, v));
  return true;
#else
  for (int k = 0; k < 8; ++k) {
    if (units[2 * k + 1] != 0 || units[2 * k] >= 0x80) return false;
  }
  for (int k = 0; k < 8; ++k) out[k] = static_cast<char>(units[2 * k]);
  return true;
#endif
}

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
char32_t UnitAt(const unsigned char* data, std::size_t i) { return Get16(data + i); }

// Builds the UTF-8 text unit by unit.  Stored text is almost all ASCII, so
// runs of it are copied whole; a high surrogate waits for its partner, which
// may come in the next run of UTF-16.
class Utf8Builder {
 public:
  // `capacity`: the length of the text when it is all ASCII.
  explicit Utf8Builder(std::size_t capacity) { out_.reserve(capacity); }

  // Bytes of the compressed form: one character each, U+0000 to U+00FF.
  void AppendBytes(const unsigned char* data, std::size_t size) {
    if (size == 0) return;
    FlushPending();
    std::size_t i = 0;
    while (i < size) {
      const std::size_t start = i;
      while (i < size && data[i] < 0x80) ++i;
      out_.append(reinterpret_cast<const char*>(data + start), i - start);
      for (; i < size && data[i] >= 0x80; ++i) AppendUtf8(data[i], &out_);
    }
  }

  // UTF-16LE units; a trailing odd byte is dropped.
  void AppendUtf16Le(const unsigned char* data, std::size_t size) {
    for (std::size_t i = 0; i + 1 < size;) {
      if (pending_high_ == 0 && data[i + 1] == 0 && data[i] < 0x80) {
        i = AppendAsciiUnits(data, i, size);
        continue;
      }
      if (pending_high_ == 0 && !IsSurrogate(UnitAt(data, i))) {
        i = AppendOtherBmpUnits(data, i, size);
        continue;
      }
      Unit(UnitAt(data, i));
      i += 2;
    }
  }

  // Appends the run of ASCII units from data[i]: their low bytes, eight
  // units at a time where it can.  Answers where the run ends.
  std::size_t AppendAsciiUnits(const unsigned char* data, std::size_t i, std::size_t size) {
    char block[256];
    std::size_t used = 0;
    for (;;) {
      if (used + 8 > sizeof block) {
        out_.append(block, used);
        used = 0;
      }
      if (i + 16 <= size && PackEightAsciiUnits(data + i, block + used)) {
        used += 8;
        i += 16;
      } else if (i + 1 < size && data[i + 1] == 0 && data[i] < 0x80) {
        block[used++] = static_cast<char>(data[i]);
        i += 2;
      } else {
        out_.append(block, used);
        return i;
      }
    }
  }

  // Appends the run of units from data[i] that are neither ASCII nor
  // surrogates (most of Chinese text), encoded in two or three bytes each.
  // Answers where the run ends.
  std::size_t AppendOtherBmpUnits(const unsigned char* data, std::size_t i, std::size_t size) {
    char block[256];
    std::size_t used = 0;
    for (; i + 1 < size; i += 2) {
      const char32_t c = UnitAt(data, i);
      if (c < 0x80 || IsSurrogate(c)) break;
      if (used + 3 > sizeof block) {
        out_.append(block, used);
        used = 0;
      }
      if (c < 0x800) {
        block[used++] = static_cast<char>(0xC0 | (c >> 6));
      } else {
        block[used++] = static_cast<char>(0xE0 | (c >> 12));
        block[used++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      }
      block[used++] = static_cast<char>(0x80 | (c & 0x3F));
    }
    out_.append(block, used);
    return i;
  }

  std::string Finish() {
    FlushPending();
    return std::move(out_);
  }

 private:
  void Unit(char32_t c) {
    if (IsLowSurrogate(c) && pending_high_ != 0) {
      AppendUtf8(0x10000 + ((pending_high_ - 0xD800) << 10) + (c - 0xDC00), &out_);
      pending_high_ = 0;
      return;
    }
    FlushPending();
    if (IsHighSurrogate(c)) {
      pending_high_ = c;
      return;
    }
    AppendUtf8(c, &out_);  // an unpaired low surrogate becomes U+FFFD
  }

  void FlushPending() {
    if (pending_high_ == 0) return;
    AppendUtf8(kReplacementCharacter, &out_);
    pending_high_ = 0;
  }

  std::string out_;
  char32_t pending_high_ = 0;  // 0 when none waits
};

}  // namespace

std::string DecodeJetText(const unsigned char* data, std::size_t size) {
  const bool compressed_form = size >= 2 && data[0] == 0xFF && data[1] == 0xFE;
  Utf8Builder text(compressed_form ? size - 2 : size / 2);
  if (compressed_form) {
    // A zero byte where a character begins switches between one byte a
    // character and two (UTF-16LE).  The writer compresses only text whose
    // UTF-16 units have no zero low byte, so a two-byte unit never starts
    // with one; its high byte may well be zero.
    bool compressed = true;
    for (std::size_t start = 2; start <= size;) {
      std::size_t end = start;
      if (compressed) {
        const void* zero = std::memchr(data + start, 0, size - start);
        end = zero ? static_cast<const unsigned char*>(zero) - data : size;
        text.AppendBytes(data + start, end - start);
      } else {
        while (end < size && data[end] != 0) end += 2;
        end = std::min(end, size);
        text.AppendUtf16Le(data + start, end - start);
      }
      compressed = !compressed;
      start = end + 1;
    }
  } else {
    text.AppendUtf16Le(data, size);
  }
  return text.Finish();
}

}  // namespace generatesheet
