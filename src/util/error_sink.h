// Where a procedure that must not throw reports why it failed.  The
// procedures of one run report into one sink; the component behind it keeps
// the report as ErrMsg.
#ifndef GENERATESHEET_UTIL_ERROR_SINK_H_
#define GENERATESHEET_UTIL_ERROR_SINK_H_

#include <cstddef>
#include <exception>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "util/error.h"

namespace generatesheet {

// One failure as a procedure reports it.  ErrMsg shows it as the
// procedure's fixed prefix followed directly by the description; the
// prefix also tells which step of the run failed.
struct FailureReport {
  FailureReport(std::string_view prefix_text, std::string description_text,
                FailureKind failure_kind = FailureKind::kOther, std::string file_path = {})
      : prefix(prefix_text),
        description(std::move(description_text)),
        kind(failure_kind),
        file(std::move(file_path)) {}

  std::string Message() const { return std::string(prefix) + description; }

  std::string_view prefix;  // the failing procedure's fixed prefix
  std::string description;  // what went wrong, for people
  FailureKind kind;
  std::string file;    // the file concerned; "" when none
  std::string advice;  // for a cause, what to do about it; "" when nothing particular
  bool cause = false;  // explains the failures after it in the same run
};

class ErrorSink {
 public:
  virtual ~ErrorSink() = default;

  virtual void Report(FailureReport report) = 0;
};

// Runs `body` and returns its result.  A failure thrown inside is reported
// to `sink` under `prefix` and the empty result R{} is returned, so nothing
// is thrown out.  A RunCauseError is reported as a cause, with its advice.
template <typename Body>
auto Reported(ErrorSink& sink, std::string_view prefix, Body&& body) -> decltype(body()) {
  try {
    return std::forward<Body>(body)();
  } catch (const RunCauseError& e) {
    FailureReport report(prefix, e.what(), e.kind(), e.file());
    report.advice = e.advice();
    report.cause = true;
    sink.Report(std::move(report));
  } catch (const KindedError& e) {
    sink.Report({prefix, e.what(), e.kind(), e.file()});
  } catch (const std::exception& e) {
    sink.Report({prefix, e.what()});
  } catch (...) {
    sink.Report({prefix, "未知错误"});
  }
  using Result = decltype(body());
  if constexpr (!std::is_void_v<Result>) return Result{};
}

// Runs `body`, which appends to `out`.  A failure is reported as Reported()
// does and what the body appended is taken back, so a failed part leaves
// `out` as it found it, as an empty result would.
template <typename Body>
void ReportedAppend(ErrorSink& sink, const char* prefix, std::string& out, Body&& body) {
  const std::size_t mark = out.size();
  const bool done = Reported(sink, prefix, [&] {
    std::forward<Body>(body)();
    return true;
  });
  if (!done) out.resize(mark);
}

}  // namespace generatesheet

#endif  // GENERATESHEET_UTIL_ERROR_SINK_H_
