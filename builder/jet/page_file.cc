#include "builder/jet/page_file.h"

#include <cassert>
#include <cstring>

namespace generatesheet::jet {

namespace {

uint32_t RowCount(const uint8_t* page) { return Get16(page + kRowCountOffset); }

// Rows grow down from the end of the page: the last row added starts lowest.
uint32_t LowestRowStart(const uint8_t* page) {
  uint32_t rows = RowCount(page);
  return rows == 0 ? kJetPageSize : Get16(page + kRowOffsetsStart + 2 * (rows - 1));
}

uint32_t FreeSpace(const uint8_t* page) {
  // Both lie within the page.
  return static_cast<uint32_t>(LowestRowStart(page) - (kRowOffsetsStart + 2 * RowCount(page)));
}

}  // namespace

uint32_t PageFile::Allocate() {
  pages_.push_back(std::make_unique<std::array<uint8_t, kJetPageSize>>());
  pages_.back()->fill(0);
  return page_count() - 1;
}

std::string PageFile::Contents() const {
  std::string out;
  out.reserve(pages_.size() * kJetPageSize);
  for (const auto& p : pages_) out.append(reinterpret_cast<const char*>(p->data()), kJetPageSize);
  return out;
}

void RowPageWriter::StartOn(uint32_t number) {
  uint8_t* page = file_->page(number);
  page[0] = kJetDataPage;
  page[1] = 0x01;
  Put32(page + 4, owner_);
  Put16(page + 2, FreeSpace(page));
  pages_.push_back(number);
}

bool RowPageWriter::Fits(size_t row_size) const {
  if (pages_.empty()) return false;
  const uint8_t* page = file_->page(pages_.back());
  return RowCount(page) < kMaxRowsPerPage && FreeSpace(page) >= row_size + 2;
}

uint32_t RowPageWriter::Add(std::string_view row) {
  assert(!row.empty() && row.size() <= kMaxRowSize);
  if (!Fits(row.size())) StartOn(file_->Allocate());
  const uint32_t number = pages_.back();
  uint8_t* page = file_->page(number);
  const uint32_t index = RowCount(page);
  const uint32_t start = LowestRowStart(page) - static_cast<uint32_t>(row.size());
  std::memcpy(page + start, row.data(), row.size());
  Put16(page + kRowOffsetsStart + 2 * index, start);
  Put16(page + kRowCountOffset, index + 1);
  Put16(page + 2, FreeSpace(page));
  return PageRow(number, index);
}

}  // namespace generatesheet::jet
