// Paths as the system builds them.  Paths are POSIX paths throughout: "/"
// separates folders and "\" is an ordinary character of a name, so a folder
// named "a\b" can be addressed.  The one "\" that stands for a separator is
// the one hosts of the old component end a page folder prefix with
// (HTMLPaperPath "C:\pages\").
#ifndef GENERATESHEET_UTIL_PATH_H_
#define GENERATESHEET_UTIL_PATH_H_

#include <optional>
#include <string>
#include <string_view>

namespace generatesheet {

// `prefix` followed by `name`, as HTMLPaperPath & the page's file name: a
// final "\" of `prefix` is taken as the separator "/"; every other "\" is
// part of a name.
std::string JoinPrefix(std::string_view prefix, std::string_view name);

// Why `name` is not a bare file name that stays inside its folder, in
// Chinese: it holds "/", "\" or a NUL byte, is "." or "..", or starts with
// a drive ("C:").  Nothing when it is one.  An empty name is left to the
// caller.
std::optional<std::string> FileNameFault(std::string_view name);

}  // namespace generatesheet

#endif  // GENERATESHEET_UTIL_PATH_H_
