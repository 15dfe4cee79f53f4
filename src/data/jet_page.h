// Pages of a Jet 4 file as the reader holds them, and where a row lies on a
// data page.
#ifndef GENERATESHEET_DATA_JET_PAGE_H_
#define GENERATESHEET_DATA_JET_PAGE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "data/jet_format.h"
#include "util/little_endian.h"

namespace generatesheet {

using JetPage = std::array<unsigned char, kJetPageSize>;
using Bytes = std::vector<unsigned char>;

// Where a row lies on its page.
struct RowSpan {
  std::uint32_t page = 0;  // the page's number
  std::size_t start = 0;
  std::size_t size = 0;
  bool deleted = false;
  bool overflow = false;  // the row holds a pointer to where it now lives
};

// Row `row` of the data page `page` (number `page_number`, for messages).  A
// row reached through a pointer (overflow, long value) is read even when
// flagged deleted: Jet flags such rows so that scans skip them.  Throws
// Error("数据库文件已损坏：PATH（...）") naming `path` when the row table or the
// row's place is invalid.
RowSpan LocateRow(const JetPage& page, std::uint32_t page_number, unsigned row,
                  const std::string& path, bool by_pointer = false);

// The error for a damaged file: "数据库文件已损坏：PATH（DETAIL）".
[[noreturn]] void ThrowDamaged(const std::string& path, const std::string& detail);

}  // namespace generatesheet

#endif  // GENERATESHEET_DATA_JET_PAGE_H_
