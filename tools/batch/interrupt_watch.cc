#include "tools/batch/interrupt_watch.h"

#include <unistd.h>

#include <cstdlib>
#include <ctime>

namespace generatesheet::cli {

InterruptWatch::InterruptWatch() {
  sigemptyset(&watched_);
  sigaddset(&watched_, SIGINT);
  sigaddset(&watched_, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &watched_, &previous_);
  thread_ = std::thread([this] { Watch(); });
}

InterruptWatch::~InterruptWatch() {
  // Wakes the watching thread with a signal it takes, sent to it alone.
  quit_ = true;
  pthread_kill(thread_.native_handle(), SIGTERM);
  thread_.join();
  // A signal that came after the rows ended has nothing left to stop: it
  // is taken here rather than left to kill the process on unblocking.
  const timespec now{0, 0};
  while (sigtimedwait(&watched_, nullptr, &now) > 0) {
  }
  pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

void InterruptWatch::Watch() {
  for (;;) {
    int signal = 0;
    if (sigwait(&watched_, &signal) != 0) continue;
    if (quit_) return;
    int none = 0;
    if (!received_.compare_exchange_strong(none, signal)) {
      constexpr char kAgain[] = "\n再次收到中断信号，立即退出\n";
      [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, kAgain, sizeof kAgain - 1);
      std::_Exit(128 + signal);
    }
  }
}

}  // namespace generatesheet::cli
