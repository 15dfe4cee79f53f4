// Paths as hosts give them.  The component's hosts join folders with "\"
// (BakDataPath & "\Analysis.mdb", HTMLPaperPath "D:\out\"), so in every
// path a host hands the library "\" separates folders as "/" does; such a
// path is mapped once, where it reaches the file system.  A name that holds
// "\" therefore cannot be addressed through the library.
#ifndef GENERATESHEET_UTIL_PATH_H_
#define GENERATESHEET_UTIL_PATH_H_

#include <optional>
#include <string>
#include <string_view>

namespace generatesheet {

// A host's `path` as the file system takes it: every "\" becomes "/".
std::string NativePath(std::string_view path);

// Why `name` is not a bare file name that stays inside its folder, in
// Chinese: it holds "/", "\" or a NUL byte, is "." or "..", or starts with
// a drive ("C:").  Nothing when it is one.  An empty name is left to the
// caller.
std::optional<std::string> FileNameFault(std::string_view name);

}  // namespace generatesheet

#endif  // GENERATESHEET_UTIL_PATH_H_
