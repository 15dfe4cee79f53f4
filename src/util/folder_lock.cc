#include "util/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include "util/error.h"
#include "util/log.h"

namespace generatesheet {

namespace {

constexpr std::chrono::milliseconds kPollInterval(20);

std::atomic<FolderWaitNotice> wait_notice{nullptr};

std::string Seconds(std::chrono::milliseconds wait) {
  return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(wait).count());
}

void TellOfWait(const std::string& folder, std::chrono::milliseconds wait) {
  const std::string notice =
      "答卷包文件夹正被另一次生成使用，等待其释放（最多 " + Seconds(wait) + " 秒）：" + folder;
  AppendLogLine(notice);
  TellOfFolderWait(notice);
}

}  // namespace

void SetFolderWaitNotice(FolderWaitNotice notice) { wait_notice.store(notice); }

void TellOfFolderWait(const std::string& notice) {
  if (const FolderWaitNotice notify = wait_notice.load()) notify(notice);
}

FolderLock::FolderLock(const std::string& folder, std::chrono::milliseconds wait) {
  fd_.Reset(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd_.get() < 0) return;
  const auto deadline = std::chrono::steady_clock::now() + wait;
  bool told = false;
  while (::flock(fd_.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) {  // no locks on this file system
      fd_.Reset();
      return;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      throw Error("答卷包文件夹正被另一次生成使用，等待 " + Seconds(wait) + " 秒后仍未释放：" +
                  folder);
    }
    if (!told) TellOfWait(folder, wait);
    told = true;
    std::this_thread::sleep_for(kPollInterval);
  }
}

}  // namespace generatesheet
