// libmdb reports some faults of a damaged file by printing English lines to
// stderr ("offset N is beyond EOF", "Invalid page buffer detected", ...).
// They must never reach the user: the reader turns every fault into its own
// Chinese error.  While a LibmdbMessages object lives, what the C library's
// stderr receives from the calling thread is kept instead, and written to
// the log when the object goes.
//
// For this, stderr is replaced once, on first use, by a stream that passes
// every other thread's output (and this thread's outside such a scope)
// straight to file descriptor 2, so other output keeps its order.
#ifndef GENERATESHEET_DATA_LIBMDB_MESSAGES_H_
#define GENERATESHEET_DATA_LIBMDB_MESSAGES_H_

#include <string>

namespace generatesheet {

class LibmdbMessages {
 public:
  // `path` names the file in the log lines; it must outlive the object.
  explicit LibmdbMessages(const std::string& path);
  ~LibmdbMessages();
  LibmdbMessages(const LibmdbMessages&) = delete;
  LibmdbMessages& operator=(const LibmdbMessages&) = delete;

  // What was kept so far.
  const std::string& text() const { return text_; }

 private:
  const std::string& path_;
  std::string text_;
  std::string* outer_;  // the scope this one is nested in, if any
};

}  // namespace generatesheet

#endif  // GENERATESHEET_DATA_LIBMDB_MESSAGES_H_
