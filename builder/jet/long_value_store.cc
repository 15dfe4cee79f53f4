#include "builder/jet/long_value_store.h"

namespace generatesheet::jet {

namespace {

std::string Header(size_t length, uint8_t flags, uint32_t first_row) {
  std::string h;
  Append32(&h, static_cast<uint32_t>(length) | (uint32_t{flags} << 24));
  Append32(&h, first_row);
  Append32(&h, 0);
  return h;
}

}  // namespace

std::string LongValueStore::Place(std::string_view text) {
  if (text.size() <= kMaxInlineMemo) {
    return Header(text.size(), kMemoInline, 0) + std::string(text);
  }
  if (text.size() <= kMaxRowSize) {
    return Header(text.size(), kMemoSingleRow, rows_.Add(text));
  }
  // Write the chain from its end so every row knows where the next one is.
  const size_t chunks = (text.size() + kLongValueChunk - 1) / kLongValueChunk;
  uint32_t next = 0;
  for (size_t i = chunks; i-- > 0;) {
    std::string row;
    Append32(&row, next);
    row.append(text.substr(i * kLongValueChunk, kLongValueChunk));
    next = rows_.Add(row);
  }
  return Header(text.size(), kMemoChain, next);
}

}  // namespace generatesheet::jet
