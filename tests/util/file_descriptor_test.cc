#include "util/file_descriptor.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "support/error_text.h"
#include "support/temp_dir.h"
#include "util/error.h"

namespace generatesheet {
namespace {

using testing::ErrorOf;
using testing::ReadFileForTest;
using testing::TempDir;

TEST(FileDescriptorTest, OwnershipMovesAndTheDescriptorIsClosedOnce) {
  TempDir dir;
  const std::string path = dir.File("out.txt");
  FileDescriptor moved_to;
  int raw = -1;
  {
    FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
    ASSERT_TRUE(fd.valid());
    raw = fd.get();
    moved_to = std::move(fd);
    EXPECT_FALSE(fd.valid());  // a moved-from descriptor owns nothing
  }
  // The moved-from object went without closing what it no longer owns.
  ASSERT_EQ(0, WriteFully(moved_to.get(), "kept"));
  EXPECT_EQ(raw, moved_to.get());
  EXPECT_EQ(0, moved_to.Close());
  EXPECT_FALSE(moved_to.valid());
  EXPECT_EQ(0, moved_to.Close());  // nothing left to close
  EXPECT_EQ("kept", ReadFileForTest(path));
}

TEST(FileDescriptorTest, FailuresAnswerTheirErrno) {
  TempDir dir;
  const std::string path = dir.File("in.txt");
  testing::WriteFileForTest(path, "abc");
  FileDescriptor read_only(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  ASSERT_TRUE(read_only.valid());
  EXPECT_EQ(EBADF, WriteFully(read_only.get(), "x"));
  EXPECT_EQ("写入文件出错：" + path + "（" + ErrnoText(EBADF) + "）",
            ErrorOf([&] { WriteAll(read_only.get(), "x", path); }));
  // A descriptor closed behind the owner's back makes Close report it.
  ::close(read_only.get());
  EXPECT_EQ(EBADF, read_only.Close());
}

TEST(ErrnoTextTest, ActionableFailuresAreChineseAndTheRestByNumber) {
  EXPECT_EQ("文件或文件夹不存在", ErrnoText(ENOENT));
  EXPECT_EQ("磁盘空间不足", ErrnoText(ENOSPC));
  EXPECT_EQ("没有访问权限", ErrnoText(EPERM));
  EXPECT_EQ("文件正被使用", ErrnoText(EBUSY));
  EXPECT_EQ("系统错误，错误码 " + std::to_string(EBADF), ErrnoText(EBADF));
}

}  // namespace
}  // namespace generatesheet
