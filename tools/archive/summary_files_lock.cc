#include "tools/archive/summary_files_lock.h"

#include "tools/job/output_files.h"

namespace generatesheet::cli {

namespace {

LockWait WaitFor(const std::string& folder) {
  const std::string seconds =
      std::to_string(std::chrono::duration_cast<std::chrono::seconds>(kSummaryLockWait).count());
  return {
      kSummaryLockWait,
      "输出文件夹正由另一次运行写出汇总与存档清单，等待其写完（最多 " + seconds + " 秒）：" +
          folder,
      "输出文件夹正由另一次运行写出汇总与存档清单，等待 " + seconds + " 秒后仍未写完：" + folder};
}

}  // namespace

SummaryFilesLock::SummaryFilesLock(const std::string& folder)
    : lock_(folder + kSummaryLockName, WaitFor(folder)) {}

}  // namespace generatesheet::cli
