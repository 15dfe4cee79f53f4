// --shard K/N of batch: the part of a manifest this run takes.
#ifndef GENERATESHEET_TOOLS_CLI_SHARD_OPTION_H_
#define GENERATESHEET_TOOLS_CLI_SHARD_OPTION_H_

#include <string>

#include "tools/batch/shard.h"

namespace generatesheet::cli {

// Parses "K/N" with 0 <= K < N; throws UsageError naming --shard otherwise.
Shard ParseShard(const std::string& text);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_CLI_SHARD_OPTION_H_
