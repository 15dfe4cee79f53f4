// The plain-text log "syslog.txt": handed line by line to the callback the
// host set for the object at work on this thread, if it set one
// (ScopedLogTarget); else in the folder the host chose for that object, else in the folder named
// by the environment variable GENERATESHEET_LOG_DIR when it is set, else in
// the folder of the
// loaded library (or of the executable when the library is linked
// statically).  One entry a line, exactly the text given, ended by CR LF;
// never truncated or rotated.
#ifndef GENERATESHEET_UTIL_LOG_H_
#define GENERATESHEET_UTIL_LOG_H_

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace generatesheet {

// The folder of the file that holds this code, without a trailing "/".
std::string LibraryFolder();

// The log file's path: the scoped folder's syslog.txt, else
// $GENERATESHEET_LOG_DIR/syslog.txt, else LibraryFolder() + "/syslog.txt",
// unless replaced for tests.
std::string LogFilePath();

// Receives each log line, without its line end, in place of the file.
using LogCallback = std::function<void(std::string_view line)>;

// Where the log lines of one object go: its callback when set, else
// `folder`/syslog.txt when `folder` is not "", else the default file.
struct LogTarget {
  std::string folder;
  // Shared with each line being handed over, so that a callback the host
  // replaces from inside itself lives until it returns.
  std::shared_ptr<const LogCallback> callback;
};

// While it lives, the calling thread's log lines go to `target` (which must
// outlive it).  Scopes nest.
class ScopedLogTarget {
 public:
  explicit ScopedLogTarget(const LogTarget& target);
  ~ScopedLogTarget();
  ScopedLogTarget(const ScopedLogTarget&) = delete;
  ScopedLogTarget& operator=(const ScopedLogTarget&) = delete;

 private:
  const LogTarget* outer_;
};

// Hands `line` to this thread's callback, or appends it to the log file in
// one write, so lines of concurrent writers do not interleave.  Never fails:
// when the log file cannot be written, one line on stderr says so, once for
// each log path, and the entry is lost; what a callback throws is dropped.
void AppendLogLine(const std::string& line) noexcept;

// Points the log somewhere else (tests); "" restores the library's folder.
void SetLogFilePathForTesting(const std::string& path);

}  // namespace generatesheet

#endif  // GENERATESHEET_UTIL_LOG_H_
