#include "data/page_cache.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "util/error.h"

namespace generatesheet {

static_assert(sizeof(JetPage) == kJetPageSize, "a run of pages is read as one block");

PageCache::PageCache(int fd, std::uint32_t page_count, std::string path)
    : fd_(fd), page_count_(page_count), path_(std::move(path)) {}

const JetPage& PageCache::Get(std::uint32_t page) {
  ++clock_;
  for (Run& run : runs_) {
    if (run.count != 0 && page - run.first < run.count) {
      run.last_use = clock_;
      return run.pages[page - run.first];
    }
  }
  Run& run = Load(page);
  return run.pages[page - run.first];
}

// Reads the aligned run holding `page` into the least recently used slot.
PageCache::Run& PageCache::Load(std::uint32_t page) {
  Run& run = *std::min_element(runs_.begin(), runs_.end(),
                               [](const Run& a, const Run& b) { return a.last_use < b.last_use; });
  run.count = 0;
  run.last_use = clock_;
  run.first = page - page % kRunPages;
  const std::uint32_t wanted = std::min(kRunPages, page_count_ - run.first);
  run.pages.resize(kRunPages);
  auto* buffer = reinterpret_cast<unsigned char*>(run.pages.data());
  const std::size_t size = std::size_t{wanted} * kJetPageSize;
  const off_t offset = static_cast<off_t>(run.first) * static_cast<off_t>(kJetPageSize);
  std::size_t used = 0;
  while (used < size) {
    const ssize_t n = ::pread(fd_, buffer + used, size - used, offset + static_cast<off_t>(used));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw SystemError("读取数据库文件出错", path_, errno);
    if (n == 0) break;
    used += static_cast<std::size_t>(n);
  }
  run.count = static_cast<std::uint32_t>(used / kJetPageSize);
  if (page - run.first >= run.count) {
    ThrowDamaged(path_, "无法读取第 " + std::to_string(page) + " 页");
  }
  return run;
}

}  // namespace generatesheet
