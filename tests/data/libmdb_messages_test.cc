#include "data/libmdb_messages.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

#include "support/temp_dir.h"
#include "util/log.h"

namespace generatesheet {
namespace {

using testing::ReadFileForTest;
using testing::TempDir;

// What the C library's stderr receives while `body` runs, read back from a
// file put in place of descriptor 2.
template <typename Body>
std::string Stderr(const std::string& file, Body&& body) {
  std::fflush(stderr);
  FILE* capture = std::fopen(file.c_str(), "w");
  const int saved = dup(STDERR_FILENO);
  dup2(fileno(capture), STDERR_FILENO);
  body();
  std::fflush(stderr);
  dup2(saved, STDERR_FILENO);
  close(saved);
  std::fclose(capture);
  return ReadFileForTest(file);
}

TEST(LibmdbMessagesTest, KeepsLibmdbLinesOfThisThreadForTheLogOnly) {
  TempDir dir;
  SetLogFilePathForTesting(dir.File("syslog.txt"));
  const std::string seen = Stderr(dir.File("stderr.txt"), [] {
    std::fprintf(stderr, "before\n");
    {
      const std::string path = "/data/Pbase.mdb";
      LibmdbMessages messages(path);
      std::fprintf(stderr, "offset 409600 is beyond EOF\n");
      // Another thread's output at the same moment is its own.
      std::thread([] { std::fprintf(stderr, "another thread\n"); }).join();
      std::fprintf(stderr, "Invalid page buffer detected\n");
      EXPECT_EQ(messages.text(), "offset 409600 is beyond EOF\nInvalid page buffer detected\n");
    }
    std::fprintf(stderr, "after\n");
  });
  SetLogFilePathForTesting("");
  EXPECT_EQ(seen, "before\nanother thread\nafter\n");
  EXPECT_EQ(ReadFileForTest(dir.File("syslog.txt")),
            "libmdb（/data/Pbase.mdb）：offset 409600 is beyond EOF\r\n"
            "libmdb（/data/Pbase.mdb）：Invalid page buffer detected\r\n");
}

}  // namespace
}  // namespace generatesheet
