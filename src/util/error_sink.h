// Where a procedure that must not throw reports why it failed.  The
// procedures of one run report into one sink; the component behind it keeps
// the report as ErrMsg.
#ifndef GENERATESHEET_UTIL_ERROR_SINK_H_
#define GENERATESHEET_UTIL_ERROR_SINK_H_

#include <exception>
#include <string>
#include <type_traits>
#include <utility>

#include "util/error.h"

namespace generatesheet {

class ErrorSink {
 public:
  virtual ~ErrorSink() = default;

  // `message` is the failing procedure's fixed prefix followed directly by
  // the description of the failure.
  virtual void Report(std::string message) = 0;
  // A report of a failure of a known kind, about `file`; by default an
  // ordinary report.
  virtual void ReportKind(std::string message, FailureKind kind, std::string file) {
    (void)kind;
    (void)file;
    Report(std::move(message));
  }
  // A report whose failure explains the later failures of the same run (a
  // RunCauseError, with its advice); by default an ordinary report.
  virtual void ReportCause(std::string message, FailureKind kind, std::string file,
                           std::string /*advice*/) {
    ReportKind(std::move(message), kind, std::move(file));
  }
};

// Runs `body` and returns its result.  A failure thrown inside is reported
// to `sink` as `prefix` + description and the empty result R{} is returned,
// so nothing is thrown out.  A RunCauseError goes to ReportCause.
template <typename Body>
auto Reported(ErrorSink& sink, const char* prefix, Body&& body) -> decltype(body()) {
  try {
    return std::forward<Body>(body)();
  } catch (const RunCauseError& e) {
    sink.ReportCause(std::string(prefix) + e.what(), e.kind(), e.file(), e.advice());
  } catch (const KindedError& e) {
    sink.ReportKind(std::string(prefix) + e.what(), e.kind(), e.file());
  } catch (const std::exception& e) {
    sink.Report(std::string(prefix) + e.what());
  } catch (...) {
    sink.Report(std::string(prefix) + "未知错误");
  }
  using Result = decltype(body());
  if constexpr (!std::is_void_v<Result>) return Result{};
}

}  // namespace generatesheet

#endif  // GENERATESHEET_UTIL_ERROR_SINK_H_
