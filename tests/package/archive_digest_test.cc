#include "package/archive_digest.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "support/command_output.h"
#include "support/shell_quote.h"
#include "support/temp_dir.h"

namespace generatesheet {
namespace {

using testing::RunForOutput;
using testing::ShellQuote;
using testing::TempDir;
using testing::WriteFileForTest;

// Whatever reads a reader reports, in whatever order, the digest is the
// file's, as coreutils computes it: the bytes read in order are hashed as
// they come, the rest is read at the end.
TEST(ArchiveDigestTest, IsTheFilesHashWhateverWasReadInWhateverOrder) {
  TempDir dir;
  std::mt19937 random(3);
  std::string bytes(200 * 1000 + 7, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  const std::string path = dir.File("package.zip");
  WriteFileForTest(path, bytes);
  const std::string expected = RunForOutput("sha256sum " + ShellQuote(path)).text.substr(0, 64);

  using Reads = std::vector<std::pair<size_t, size_t>>;  // offset, size
  const std::pair<const char*, Reads> cases[] = {
      {"nothing read", {}},
      {"all in order", {{0, 65536}, {65536, 65536}, {131072, bytes.size() - 131072}}},
      {"the end first, then the start", {{bytes.size() - 100, 100}, {0, 4096}}},
      {"overlapping reads", {{0, 100}, {50, 100}, {150, 30}, {100, 200}, {0, 10}}},
      {"a gap", {{0, 1000}, {2000, 5000}, {999, 2}}},
      {"a read past a gap, then the gap", {{0, 10}, {20, 10}, {10, 10}}},
      {"one byte at a time from the middle", {{1, 1}, {0, 1}, {2, 1}}},
  };
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ArchiveDigest digest;  // used again: Finish starts it afresh
  for (const auto& [name, reads] : cases) {
    for (const auto& [offset, size] : reads) digest.Saw(offset, bytes.data() + offset, size);
    EXPECT_EQ(digest.Finish(fd), expected) << name;
    EXPECT_EQ(digest.hashed(), 0u) << name;
  }
  // Bytes reported that are not the file's make another hash.
  std::string other = bytes.substr(0, 100);
  other[42] ^= 1;
  digest.Saw(0, other.data(), other.size());
  EXPECT_NE(digest.Finish(fd), expected);
  ::close(fd);
  EXPECT_EQ(digest.Finish(-1), "");  // the rest cannot be read
}

}  // namespace
}  // namespace generatesheet
