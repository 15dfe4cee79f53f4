// SIGINT and SIGTERM during a batch: the batch stops handing out rows,
// finishes the pages in flight and writes what it has, instead of dying
// with half its work unreported.
#ifndef GENERATESHEET_TOOLS_BATCH_INTERRUPT_WATCH_H_
#define GENERATESHEET_TOOLS_BATCH_INTERRUPT_WATCH_H_

#include <atomic>
#include <thread>

#include <signal.h>

namespace generatesheet::cli {

// For the life of the object, SIGINT and SIGTERM are blocked in the thread
// that makes it and in every thread started afterwards, and one thread of
// its own takes them with sigwait: nothing runs in a signal handler.
// The first signal is recorded; a second one ends the process at once
// (exit 128 + signal), for a user who will not wait.  Make it before any
// other thread starts.
class InterruptWatch {
 public:
  InterruptWatch();
  ~InterruptWatch();
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;

  // The first signal received, or 0.
  const std::atomic<int>& received() const { return received_; }

 private:
  void Watch();

  sigset_t watched_;
  sigset_t previous_;
  std::atomic<int> received_{0};
  std::atomic<bool> quit_{false};
  std::thread thread_;
};

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_BATCH_INTERRUPT_WATCH_H_
