// The plain-text log "syslog.txt" in the folder of the loaded library (or of
// the executable when the library is linked statically).  One entry a line,
// exactly the text given, ended by CR LF; never truncated or rotated.
#ifndef GENERATESHEET_UTIL_LOG_H_
#define GENERATESHEET_UTIL_LOG_H_

#include <string>

namespace generatesheet {

// The folder of the file that holds this code, without a trailing "/".
std::string LibraryFolder();

// The log file's path: LibraryFolder() + "/syslog.txt", unless replaced.
std::string LogFilePath();

// Appends `line` to the log in one write, so lines of concurrent writers do
// not interleave.  Swallows every failure.
void AppendLogLine(const std::string& line) noexcept;

// Points the log somewhere else (tests); "" restores the library's folder.
void SetLogFilePathForTesting(const std::string& path);

}  // namespace generatesheet

#endif  // GENERATESHEET_UTIL_LOG_H_
