// The pages of one open database file, read a run at a time and kept a
// while.  A table is read in page order, and one page of long values serves
// several rows, so most page reads become a lookup instead of a system call.
//
// Not thread-safe: one cache belongs to one file and one thread.
#ifndef GENERATESHEET_DATA_PAGE_CACHE_H_
#define GENERATESHEET_DATA_PAGE_CACHE_H_

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "data/jet_page.h"

namespace generatesheet {

class PageCache {
 public:
  // `fd` stays the caller's; it must outlive the cache.  `path` names the
  // file in errors.
  PageCache(int fd, std::uint32_t page_count, std::string path);
  PageCache(const PageCache&) = delete;
  PageCache& operator=(const PageCache&) = delete;

  // Page `page` (which the caller has checked lies in the file).  The
  // reference stays valid until the next call.  Throws Error (damaged file)
  // when the file ends inside the page or the read fails.
  const JetPage& Get(std::uint32_t page);

 private:
  static constexpr std::uint32_t kRunPages = 16;
  static constexpr std::size_t kRuns = 8;

  struct Run {
    std::uint32_t first = 0;
    std::uint32_t count = 0;  // whole pages held; 0 = empty
    std::uint64_t last_use = 0;
    std::vector<JetPage> pages;
  };
  Run& Load(std::uint32_t page);

  int fd_;
  std::uint32_t page_count_;
  std::string path_;
  std::uint64_t clock_ = 0;
  std::array<Run, kRuns> runs_;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_DATA_PAGE_CACHE_H_
