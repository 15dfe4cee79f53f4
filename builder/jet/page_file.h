// The pages of a Jet 4 file being written, and the row pages (data,
// long-value and usage-map pages) that rows are appended to.
#ifndef GENERATESHEET_BUILDER_JET_PAGE_FILE_H_
#define GENERATESHEET_BUILDER_JET_PAGE_FILE_H_

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "builder/jet/jet_format.h"

namespace generatesheet::jet {

class PageFile {
 public:
  // Appends a zeroed page and returns its number.  Page pointers stay valid.
  uint32_t Allocate();
  uint8_t* page(uint32_t number) { return pages_[number]->data(); }
  uint32_t page_count() const { return static_cast<uint32_t>(pages_.size()); }
  std::string Contents() const;

 private:
  std::vector<std::unique_ptr<std::array<uint8_t, kJetPageSize>>> pages_;
};

// The owner field (bytes 4-7) of long-value pages: the text "LVAL".
inline constexpr uint32_t kLongValueOwner = 'L' | ('V' << 8) | ('A' << 16) | (uint32_t{'L'} << 24);

// Appends rows to pages of one owner, starting a new page when the current
// one is full (no room, or 255 rows).
class RowPageWriter {
 public:
  // `owner` goes into bytes 4-7 of every page: the table-definition page of
  // a data page's table, kLongValueOwner, or any number for usage-map pages.
  RowPageWriter(PageFile* file, uint32_t owner) : file_(file), owner_(owner) {}

  // Makes an already allocated page the first page to fill.
  void StartOn(uint32_t page);

  // Stores `row` (1..kMaxRowSize bytes) and returns its (page << 8) | row.
  uint32_t Add(std::string_view row);

  // The pages used, in order of allocation.
  const std::vector<uint32_t>& pages() const { return pages_; }

 private:
  bool Fits(size_t row_size) const;

  PageFile* file_;
  uint32_t owner_;
  std::vector<uint32_t> pages_;
};

}  // namespace generatesheet::jet

#endif  // GENERATESHEET_BUILDER_JET_PAGE_FILE_H_
