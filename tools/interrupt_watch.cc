#include "tools/interrupt_watch.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

namespace generatesheet::cli {

namespace {

// How often the watching thread looks whether it should end.
constexpr long kPollNanoseconds = 200'000'000;

}  // namespace

InterruptWatch::InterruptWatch() {
  sigemptyset(&watched_);
  sigaddset(&watched_, SIGINT);
  sigaddset(&watched_, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &watched_, &previous_);
  thread_ = std::thread([this] { Watch(); });
}

InterruptWatch::~InterruptWatch() {
  quit_ = true;
  thread_.join();
  // A signal that came after the rows ended has nothing left to stop: it
  // is taken here rather than left to kill the process on unblocking.
  const timespec now{0, 0};
  while (sigtimedwait(&watched_, nullptr, &now) > 0) {
  }
  pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

void InterruptWatch::Watch() {
  const timespec poll{0, kPollNanoseconds};
  while (!quit_) {
    const int signal = sigtimedwait(&watched_, nullptr, &poll);
    if (signal <= 0) continue;  // timed out, or interrupted
    int none = 0;
    if (!received_.compare_exchange_strong(none, signal)) {
      constexpr char kAgain[] = "\n再次收到中断信号，立即退出\n";
      [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, kAgain, sizeof kAgain - 1);
      std::_Exit(128 + signal);
    }
  }
}

}  // namespace generatesheet::cli
