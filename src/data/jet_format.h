// The Jet 4 (Access 2000/2003) file format as both the reader and the
// package builder know it: page size and types, where a page's rows are
// listed, the column type codes.  See doc/access-format.md.
#ifndef GENERATESHEET_DATA_JET_FORMAT_H_
#define GENERATESHEET_DATA_JET_FORMAT_H_

#include <cstddef>
#include <cstdint>

namespace generatesheet {

inline constexpr std::size_t kJetPageSize = 4096;

// Page types (byte 0 of every page).
inline constexpr std::uint8_t kJetHeaderPage = 0x00;
inline constexpr std::uint8_t kJetDataPage = 0x01;
inline constexpr std::uint8_t kJetTableDefinitionPage = 0x02;

// The catalog table's definition always starts on page 2.
inline constexpr std::uint32_t kCatalogPage = 2;

// Data and long-value pages: type, 0x01, free space (2), owner (4),
// unknown (4), row count (2), then one 2-byte offset per row.  Rows grow
// down from the end of the page.
inline constexpr std::size_t kRowCountOffset = 12;
inline constexpr std::size_t kRowOffsetsStart = kRowCountOffset + 2;

// Table definition pages: a definition that does not fit one page goes on
// in the page whose number is at byte 4, after the first 8 bytes.
inline constexpr std::size_t kTableDefinitionPageHeader = 8;

// Column type codes as the file stores them.
enum JetType : int {
  kJetBoolean = 0x01,
  kJetByte = 0x02,
  kJetInteger = 0x03,
  kJetLong = 0x04,
  kJetCurrency = 0x05,
  kJetSingle = 0x06,
  kJetDouble = 0x07,
  kJetDateTime = 0x08,
  kJetBinary = 0x09,
  kJetText = 0x0A,
  kJetOle = 0x0B,
  kJetMemo = 0x0C,
  kJetGuid = 0x0F,
  kJetNumeric = 0x10,
  kJetComplex = 0x12,
  kJetBigInt = 0x13,
};

}  // namespace generatesheet

#endif  // GENERATESHEET_DATA_JET_FORMAT_H_
