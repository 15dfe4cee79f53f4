// Paths as the system builds them.  The fixed texts join a folder and a file
// name with "\" (e.g. BakDataPath & "\Analysis.mdb"); on this platform "\"
// names the same boundary as "/", so every path is mapped before it reaches
// the file system.
#ifndef GENERATESHEET_UTIL_PATH_H_
#define GENERATESHEET_UTIL_PATH_H_

#include <optional>
#include <string>
#include <string_view>

namespace generatesheet {

// `path` with every "\" turned into "/".
std::string NativePath(std::string_view path);

// Why `name` is not a bare file name that stays inside its folder, in
// Chinese: it holds "/", "\" or a NUL byte, is "." or "..", or starts with
// a drive ("C:").  Nothing when it is one.  An empty name is left to the
// caller.
std::optional<std::string> FileNameFault(std::string_view name);

}  // namespace generatesheet

#endif  // GENERATESHEET_UTIL_PATH_H_
