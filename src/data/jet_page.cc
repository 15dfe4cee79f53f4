#include "data/jet_page.h"

#include "util/error.h"

namespace generatesheet {

void ThrowDamaged(const std::string& path, const std::string& detail) {
  throw Error("数据库文件已损坏：" + path + "（" + detail + "）");
}

RowSpan LocateRow(const JetPage& page, std::uint32_t page_number, unsigned row,
                  const std::string& path, bool by_pointer) {
  std::size_t count = Get16(&page[kRowCountOffset]);
  std::size_t table_end = kRowCountOffset + 2 + 2 * count;
  if (row >= count || table_end > kJetPageSize) {
    ThrowDamaged(path,
                 "第 " + std::to_string(page_number) + " 页没有第 " + std::to_string(row) + " 行");
  }
  std::uint16_t offset = Get16(&page[kRowCountOffset + 2 + 2 * row]);
  RowSpan span;
  span.page = page_number;
  span.deleted = offset & 0x8000;
  span.overflow = offset & 0x4000;
  span.start = offset & 0x1FFF;
  std::size_t end = row == 0 ? kJetPageSize : Get16(&page[kRowCountOffset + 2 * row]) & 0x1FFF;
  if (span.deleted && !by_pointer) return span;
  if (span.start < table_end || span.start >= end || end > kJetPageSize) {
    ThrowDamaged(path, "第 " + std::to_string(page_number) + " 页第 " + std::to_string(row) +
                           " 行的位置无效");
  }
  span.size = end - span.start;
  return span;
}

}  // namespace generatesheet
