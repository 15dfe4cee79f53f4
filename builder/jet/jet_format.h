// Constants of the Jet 4 (Access 2000/2003) page format and little-endian
// helpers shared by the writer's pieces.  See doc/access-format.md.
#ifndef GENERATESHEET_BUILDER_JET_JET_FORMAT_H_
#define GENERATESHEET_BUILDER_JET_JET_FORMAT_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace generatesheet::jet {

inline constexpr size_t kPageSize = 4096;

// Page types (byte 0 of every page).
inline constexpr uint8_t kPageHeader = 0x00;
inline constexpr uint8_t kPageData = 0x01;
inline constexpr uint8_t kPageTableDefinition = 0x02;

// Data and long-value pages: type, 0x01, free space (2), owner (4),
// unknown (4), row count (2), then one 2-byte offset per row.  Rows grow
// down from the end of the page.
inline constexpr size_t kRowCountOffset = 12;
inline constexpr size_t kRowOffsetsStart = 14;
inline constexpr size_t kMaxRowsPerPage = 255;  // the row number of a pointer is one byte
inline constexpr size_t kMaxRowSize = kPageSize - kRowOffsetsStart - 2;

// Memo fields: a 12-byte header (length in 24 bits, flag byte, pointer to
// the first long-value row, 4 unused bytes), then the text when inline.
inline constexpr size_t kMemoHeaderSize = 12;
inline constexpr uint8_t kMemoInline = 0x80;
inline constexpr uint8_t kMemoSingleRow = 0x40;
inline constexpr uint8_t kMemoChain = 0x00;
inline constexpr size_t kMaxInlineMemo = 64;  // what Access itself keeps in the row
inline constexpr size_t kMaxMemoBytes = 0xFFFFFF;
// A chained long-value row starts with the pointer to the next one.
inline constexpr size_t kLongValueChunk = kMaxRowSize - 4;

// Table definition pages: continuation pages repeat only the first 8 bytes.
inline constexpr size_t kTableDefinitionPageHeader = 8;

// The catalog table always lives on page 2.
inline constexpr uint32_t kCatalogPage = 2;

// Column type codes stored in the table definition.
inline constexpr uint8_t kTypeBoolean = 0x01;
inline constexpr uint8_t kTypeInteger = 0x03;
inline constexpr uint8_t kTypeLong = 0x04;
inline constexpr uint8_t kTypeDouble = 0x07;
inline constexpr uint8_t kTypeText = 0x0A;
inline constexpr uint8_t kTypeOle = 0x0B;
inline constexpr uint8_t kTypeMemo = 0x0C;

// A (page << 8) | row pointer.
inline uint32_t PageRow(uint32_t page, uint32_t row) { return (page << 8) | row; }

inline void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v);
  Put16(p + 2, v >> 16);
}
inline uint32_t Get16(const uint8_t* p) { return p[0] | (uint32_t{p[1]} << 8); }

inline void Append16(std::string* out, uint32_t v) {
  out->push_back(static_cast<char>(v & 0xFF));
  out->push_back(static_cast<char>((v >> 8) & 0xFF));
}
inline void Append32(std::string* out, uint32_t v) {
  Append16(out, v & 0xFFFF);
  Append16(out, v >> 16);
}

}  // namespace generatesheet::jet

#endif  // GENERATESHEET_BUILDER_JET_JET_FORMAT_H_
