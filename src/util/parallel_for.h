// Work on many independent items at once, one thread a core: reading and
// parsing thousands of files is the larger part of a class summary.
#ifndef GENERATESHEET_UTIL_PARALLEL_FOR_H_
#define GENERATESHEET_UTIL_PARALLEL_FOR_H_

#include <algorithm>
#include <cstddef>
#include <thread>
#include <vector>

namespace generatesheet {

// Calls body(i) for every i in [0, count), spread over up to as many
// threads as the machine has cores (the calling thread one of them), and
// returns when all are done.  `body` must not throw, and calls for
// different i must touch different data.
template <typename Body>
void ParallelFor(std::size_t count, const Body& body) {
  const std::size_t threads_wanted =
      std::min<std::size_t>(count, std::max(1u, std::thread::hardware_concurrency()));
  const auto work = [&](std::size_t start) {
    for (std::size_t i = start; i < count; i += threads_wanted) body(i);
  };
  std::vector<std::jthread> threads;
  for (std::size_t t = 1; t < threads_wanted; ++t) threads.emplace_back(work, t);
  if (threads_wanted > 0) work(0);
}

}  // namespace generatesheet

#endif  // GENERATESHEET_UTIL_PARALLEL_FOR_H_
