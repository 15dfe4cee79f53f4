#include "data/base64.h"

#include <array>
#include <cstdint>

namespace generatesheet {

namespace {

constexpr std::uint8_t kInvalid = 0xFF;

constexpr std::array<std::uint8_t, 256> MakeTable() {
  constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::array<std::uint8_t, 256> table{};
  table.fill(kInvalid);
  for (std::uint8_t i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = i;
  return table;
}

constexpr std::array<std::uint8_t, 256> kTable = MakeTable();

}  // namespace

bool DecodeBase64(std::string_view text, std::vector<unsigned char>* bytes) {
  if (text.size() % 4 != 0) return false;
  std::size_t padding = 0;
  if (!text.empty() && text.back() == '=') padding = text[text.size() - 2] == '=' ? 2 : 1;
  bytes->resize(text.size() / 4 * 3 - padding);
  const auto* in = reinterpret_cast<const unsigned char*>(text.data());
  unsigned char* out = bytes->data();
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

}  // namespace generatesheet
