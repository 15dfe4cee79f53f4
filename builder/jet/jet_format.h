// What the writer's pieces know of the Jet 4 page format beyond what it
// shares with the reader (data/jet_format.h): the limits of rows and long
// values it writes.  See doc/access-format.md.
#ifndef GENERATESHEET_BUILDER_JET_JET_FORMAT_H_
#define GENERATESHEET_BUILDER_JET_JET_FORMAT_H_

#include <cstddef>
#include <cstdint>

#include "data/jet_format.h"
#include "util/little_endian.h"

namespace generatesheet::jet {

inline constexpr size_t kMaxRowsPerPage = 255;  // the row number of a pointer is one byte
inline constexpr size_t kMaxRowSize = kJetPageSize - kRowOffsetsStart - 2;

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

// A (page << 8) | row pointer.
inline uint32_t PageRow(uint32_t page, uint32_t row) { return (page << 8) | row; }

}  // namespace generatesheet::jet

#endif  // GENERATESHEET_BUILDER_JET_JET_FORMAT_H_
