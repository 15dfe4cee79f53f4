// Little-endian numbers in byte buffers, as the Jet and zip formats store
// them.
#ifndef GENERATESHEET_UTIL_LITTLE_ENDIAN_H_
#define GENERATESHEET_UTIL_LITTLE_ENDIAN_H_

#include <cstdint>
#include <string>

namespace generatesheet {

inline std::uint16_t Get16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
inline std::uint32_t Get32(const unsigned char* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The low 16 or all 32 bits of `v`.
inline void Put16(unsigned char* p, std::uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}
inline void Put32(unsigned char* p, std::uint32_t v) {
  Put16(p, v);
  Put16(p + 2, v >> 16);
}
inline void Append16(std::string* out, std::uint32_t v) {
  out->push_back(static_cast<char>(v & 0xFF));
  out->push_back(static_cast<char>((v >> 8) & 0xFF));
}
inline void Append32(std::string* out, std::uint32_t v) {
  Append16(out, v & 0xFFFF);
  Append16(out, v >> 16);
}

}  // namespace generatesheet

#endif  // GENERATESHEET_UTIL_LITTLE_ENDIAN_H_
