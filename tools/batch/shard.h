// --shard K/N: the part of a manifest one machine takes.
#ifndef GENERATESHEET_TOOLS_BATCH_SHARD_H_
#define GENERATESHEET_TOOLS_BATCH_SHARD_H_

#include <cstddef>
#include <string>

namespace generatesheet::cli {

struct Shard {
  size_t index = 0;  // K
  size_t count = 1;  // N
  // The rows whose 0-based index modulo N is K.
  bool Takes(size_t row_index) const { return row_index % count == index; }
  std::string ToString() const { return std::to_string(index) + "/" + std::to_string(count); }
};

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_BATCH_SHARD_H_
