// Paths as the system builds them.  The fixed texts join a folder and a file
// name with "\" (e.g. BakDataPath & "\Analysis.mdb"); on this platform "\"
// names the same boundary as "/", so every path is mapped before it reaches
// the file system.
#ifndef GENERATESHEET_UTIL_PATH_H_
#define GENERATESHEET_UTIL_PATH_H_

#include <string>
#include <string_view>

namespace generatesheet {

// `path` with every "\" turned into "/".
std::string NativePath(std::string_view path);

}  // namespace generatesheet

#endif  // GENERATESHEET_UTIL_PATH_H_
