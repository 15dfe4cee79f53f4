#include "data/jet_text.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "util/utf8.h"

namespace generatesheet {

namespace {

std::uint64_t LittleEndian(std::uint64_t word) {
  if constexpr (std::endian::native == std::endian::big) {
    std::uint64_t swapped = 0;
    for (int k = 0; k < 8; ++k) swapped = (swapped << 8) | ((word >> (8 * k)) & 0xFF);
    return swapped;
  }
  return word;
}

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

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
      Unit(static_cast<char32_t>(data[i] | (data[i + 1] << 8)));
      i += 2;
    }
  }

  // Appends the run of ASCII units from data[i]: their low bytes, four
  // units a word where it can.  Answers where the run ends.
  std::size_t AppendAsciiUnits(const unsigned char* data, std::size_t i, std::size_t size) {
    constexpr std::uint64_t kNotAscii = 0xFF80FF80FF80FF80u;
    char block[256];
    std::size_t used = 0;
    for (;;) {
      if (used + 4 > sizeof block) {
        out_.append(block, used);
        used = 0;
      }
      std::uint64_t word;
      if (i + 8 <= size &&
          (std::memcpy(&word, data + i, 8), (LittleEndian(word) & kNotAscii) == 0)) {
        word = LittleEndian(word);
        for (int k = 0; k < 4; ++k) block[used++] = static_cast<char>(word >> (16 * k));
        i += 8;
      } else if (i + 1 < size && data[i + 1] == 0 && data[i] < 0x80) {
        block[used++] = static_cast<char>(data[i]);
        i += 2;
      } else {
        out_.append(block, used);
        return i;
      }
    }
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
