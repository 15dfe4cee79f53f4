// The plain-text log "syslog.txt": in the folder the host chose for the
// object at work on this thread (ScopedLogFolder), else in the folder named
// by the environment variable GENERATESHEET_LOG_DIR when it is set, else in
// the folder of the
// loaded library (or of the executable when the library is linked
// statically).  One entry a line, exactly the text given, ended by CR LF;
// never truncated or rotated.
#ifndef GENERATESHEET_UTIL_LOG_H_
#define GENERATESHEET_UTIL_LOG_H_

#include <string>

namespace generatesheet {

// The folder of the file that holds this code, without a trailing "/".
std::string LibraryFolder();

// The log file's path: the scoped folder's syslog.txt, else
// $GENERATESHEET_LOG_DIR/syslog.txt, else LibraryFolder() + "/syslog.txt",
// unless replaced for tests.
std::string LogFilePath();

// While it lives, the calling thread's log lines go to `folder`/syslog.txt;
// "" leaves the default.  Scopes nest.
class ScopedLogFolder {
 public:
  explicit ScopedLogFolder(const std::string& folder);
  ~ScopedLogFolder();
  ScopedLogFolder(const ScopedLogFolder&) = delete;
  ScopedLogFolder& operator=(const ScopedLogFolder&) = delete;

 private:
  const std::string* outer_;
};

// Appends `line` to the log in one write, so lines of concurrent writers do
// not interleave.  Never fails: when the log cannot be written, one line on
// stderr says so, once for each log path, and the entry is lost.
void AppendLogLine(const std::string& line) noexcept;

// Points the log somewhere else (tests); "" restores the library's folder.
void SetLogFilePathForTesting(const std::string& path);

}  // namespace generatesheet

#endif  // GENERATESHEET_UTIL_LOG_H_
