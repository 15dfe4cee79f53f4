// The library's one error type (generatesheet/error.h).  Inside the library
// a failure is thrown as an Error whose text names the thing at fault (file,
// table, column, question number, archive entry); the public surface turns
// it into ErrMsg under the failing procedure's fixed prefix.  Never put a key
// or plaintext in it.
#ifndef GENERATESHEET_UTIL_ERROR_H_
#define GENERATESHEET_UTIL_ERROR_H_

#include <string>
#include <utility>

#include "generatesheet/error.h"
#include "generatesheet/run_failure.h"

namespace generatesheet {

// A failure a host program tells apart by its kind, with the file it
// concerns.
class KindedError : public Error {
 public:
  KindedError(FailureKind kind, std::string file, const std::string& description)
      : Error(description), kind_(kind), file_(std::move(file)) {}
  FailureKind kind() const { return kind_; }
  const std::string& file() const { return file_; }

 private:
  FailureKind kind_;
  std::string file_;
};

// A failure that explains the failures after it in the same run (a key or
// a student number that does not fit the package): the run reports it in
// the end rather than the last gap it caused.
class RunCauseError : public KindedError {
 public:
  // `advice`: what whoever reads the page can do about it, in plain words
  // ("" when there is nothing particular to say).
  RunCauseError(FailureKind kind, std::string file, const std::string& description,
                std::string advice = "")
      : KindedError(kind, std::move(file), description), advice_(std::move(advice)) {}
  explicit RunCauseError(const std::string& description, std::string advice = "")
      : RunCauseError(FailureKind::kOther, "", description, std::move(advice)) {}

  const std::string& advice() const { return advice_; }

 private:
  std::string advice_;
};

// "<what>：<path>（<reason>）", for failed system calls.
Error SystemError(const std::string& what, const std::string& path, int errno_value);

// The reason an errno value stands for: in Chinese for the failures a user
// can act on, in the system's words for the rest.  The one place where an
// errno becomes text.
std::string ErrnoText(int errno_value);

}  // namespace generatesheet

#endif  // GENERATESHEET_UTIL_ERROR_H_
