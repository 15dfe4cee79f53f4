// Reading a file that must be a regular file of bounded size.
#include "util/regular_file.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "support/error_text.h"
#include "support/temp_dir.h"

namespace generatesheet {
namespace {

using testing::ErrorOf;
using testing::TempDir;
using testing::WriteFileForTest;

TEST(RegularFileTest, ReadsWholeFilesUpToTheCapAndRefusesTheRest) {
  TempDir dir;
  WriteFileForTest(dir.File("four"), "abcd");
  WriteFileForTest(dir.File("empty"), "");
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
  EXPECT_EQ("abcd", ReadRegularFile(dir.File("four"), 4));
  EXPECT_EQ("abcd", ReadRegularFile(dir.File("four"), kNoSizeCap));
  EXPECT_EQ("", ReadRegularFile(dir.File("empty"), 0));

  const std::pair<std::string, std::string> refused[] = {
      {dir.File("four"), "文件过大（超过 3 字节）：" + dir.File("four")},
      {dir.File("none"), "文件不存在：" + dir.File("none")},
      {dir.path(), "路径是文件夹而不是文件：" + dir.path()},
      // Refused at once: the open neither waits for a writer nor reads.
      {dir.File("fifo"), "不是普通文件（而是命名管道）：" + dir.File("fifo")},
      {"/dev/zero", "不是普通文件（而是设备）：/dev/zero"},
  };
  for (const auto& [path, message] : refused) {
    EXPECT_EQ(message, ErrorOf([&] { ReadRegularFile(path, 3); })) << path;
  }
}

}  // namespace
}  // namespace generatesheet
