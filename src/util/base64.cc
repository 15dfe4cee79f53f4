#include "util/base64.h"

#include <array>
#include <cstdint>

namespace generatesheet {

namespace {

constexpr std::uint8_t kInvalid = 0xFF;
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<std::uint8_t, 256> MakeTable() {
  std::array<std::uint8_t, 256> table{};
  table.fill(kInvalid);
  for (std::uint8_t i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = i;
  return table;
}

constexpr std::array<std::uint8_t, 256> kTable = MakeTable();

std::size_t Padding(std::string_view text) {
  if (text.empty() || text.back() != '=') return 0;
  return text[text.size() - 2] == '=' ? 2 : 1;
}

// Decodes `text`, whose length is a multiple of four, into `out`, which
// holds the bytes it stands for.
bool DecodeInto(std::string_view text, unsigned char* out) {
  const std::size_t padding = Padding(text);
  const auto* in = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t full = text.empty() ? 0 : text.size() / 4 - (padding != 0);
  std::uint8_t bad = 0;
  for (std::size_t q = 0; q < full; ++q, in += 4, out += 3) {
    const std::uint8_t a = kTable[in[0]], b = kTable[in[1]], c = kTable[in[2]], d = kTable[in[3]];
    bad |= (a | b | c | d) & 0x80;
    const std::uint32_t v = (a << 18) | (b << 12) | (c << 6) | d;
    out[0] = static_cast<unsigned char>(v >> 16);
    out[1] = static_cast<unsigned char>(v >> 8);
    out[2] = static_cast<unsigned char>(v);
  }
  if (bad != 0) return false;
  if (padding == 0) return true;
  // The last group: "xx==" holds one byte, "xxx=" two; the bits past them
  // must be zero.
  const std::uint8_t a = kTable[in[0]], b = kTable[in[1]];
  const std::uint8_t c = padding == 1 ? kTable[in[2]] : 0;
  if (((a | b | c) & 0x80) != 0) return false;
  out[0] = static_cast<unsigned char>((a << 2) | (b >> 4));
  if (padding == 2) return (b & 0x0F) == 0;
  out[1] = static_cast<unsigned char>((b << 4) | (c >> 2));
  return (c & 0x03) == 0;
}

template <typename Bytes>
bool DecodeToBytes(std::string_view text, Bytes* bytes) {
  if (text.size() % 4 != 0) return false;
  bytes->resize(text.size() / 4 * 3 - Padding(text));
  return DecodeInto(text, reinterpret_cast<unsigned char*>(bytes->data()));
}

}  // namespace

std::string EncodeBase64(const unsigned char* bytes, size_t size) {
  std::string text;
  text.reserve((size + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= size; i += 3) {
    const std::uint32_t v = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
    for (const int shift : {18, 12, 6, 0}) text += kAlphabet[(v >> shift) & 0x3F];
  }
  if (i < size) {
    const bool two = i + 1 < size;
    const std::uint32_t v = (bytes[i] << 16) | (two ? bytes[i + 1] << 8 : 0);
    text += kAlphabet[(v >> 18) & 0x3F];
    text += kAlphabet[(v >> 12) & 0x3F];
    text += two ? kAlphabet[(v >> 6) & 0x3F] : '=';
    text += '=';
  }
  return text;
}

std::string EncodeBase64(std::string_view bytes) {
  return EncodeBase64(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

bool DecodeBase64(std::string_view text, std::vector<unsigned char>* bytes) {
  return DecodeToBytes(text, bytes);
}

bool DecodeBase64(std::string_view text, std::string* bytes) { return DecodeToBytes(text, bytes); }

}  // namespace generatesheet
