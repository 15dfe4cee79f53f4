#include "tools/cli/shard_option.h"

#include <charconv>

#include "tools/cli/cli_args.h"

namespace generatesheet::cli {

namespace {

bool ParseCount(std::string_view text, size_t& value) {
  if (text.empty()) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

Shard ParseShard(const std::string& text) {
  const size_t slash = text.find('/');
  Shard shard;
  if (slash == std::string::npos ||
      !ParseCount(std::string_view(text).substr(0, slash), shard.index) ||
      !ParseCount(std::string_view(text).substr(slash + 1), shard.count)) {
    throw UsageError("选项 --shard 的值应为 K/N（如 0/4），而不是 " + text);
  }
  if (shard.count == 0 || shard.index >= shard.count) {
    throw UsageError("选项 --shard 的值 " + text + " 无效：应满足 0 ≤ K < N");
  }
  return shard;
}

}  // namespace generatesheet::cli
