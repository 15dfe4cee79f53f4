#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "generatesheet/create_html.h"
#include "support/temp_dir.h"
#include "util/log.h"

namespace generatesheet {
namespace {

using testing::ReadFileForTest;
using testing::TempDir;
using testing::WriteFileForTest;

class LogTest : public ::testing::Test {
 protected:
  LogTest() { SetLogFilePathForTesting(dir_.File("syslog.txt")); }
  ~LogTest() override { SetLogFilePathForTesting(""); }
  TempDir dir_;
  CreateHtml sheet_;
};

TEST_F(LogTest, AppendsLinesInOrderAfterEarlierContent) {
  WriteFileForTest(dir_.File("syslog.txt"), "earlier\r\n");
  sheet_.WriteLog("a");
  sheet_.WriteLog("b");
  sheet_.WriteLog("");
  sheet_.WriteLog("中文 c");
  EXPECT_EQ("earlier\r\na\r\nb\r\n\r\n中文 c\r\n", ReadFileForTest(dir_.File("syslog.txt")));
}

TEST_F(LogTest, UnwritableLogIsReportedOnceOnStderr) {
  const std::string path = dir_.File("no/such/folder/syslog.txt");
  SetLogFilePathForTesting(path);
  sheet_.SetErrMsg("kept");
  ::testing::internal::CaptureStderr();
  sheet_.WriteLog("a");
  sheet_.WriteLog("b");
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ("kept", sheet_.ErrMsg());
  EXPECT_FALSE(std::filesystem::exists(dir_.File("no")));
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_NE(err.find("无法写入日志文件：" + path + "（文件或文件夹不存在）"), std::string::npos)
      << err;
  EXPECT_NE(err.find("GENERATESHEET_LOG_DIR"), std::string::npos) << err;
}

TEST(LogFolder, EnvironmentVariableChoosesTheFolder) {
  TempDir dir;
  ASSERT_EQ(::setenv("GENERATESHEET_LOG_DIR", dir.path().c_str(), 1), 0);
  EXPECT_EQ(dir.File("syslog.txt"), LogFilePath());
  CreateHtml().WriteLog("chosen");
  ::unsetenv("GENERATESHEET_LOG_DIR");
  EXPECT_EQ("chosen\r\n", ReadFileForTest(dir.File("syslog.txt")));
  EXPECT_EQ(LibraryFolder() + "/syslog.txt", LogFilePath());
}

// A host gives each object its own log folder; the environment's folder is
// then only the default of objects that have none.
TEST(LogFolder, AnObjectsFolderComesBeforeTheEnvironment) {
  TempDir env, first, second;
  ASSERT_EQ(::setenv("GENERATESHEET_LOG_DIR", env.path().c_str(), 1), 0);
  CreateHtml a, b, unset;
  a.SetLogFolder(first.path());
  b.SetLogFolder(second.path());
  EXPECT_EQ(first.path(), a.LogFolder());
  std::thread([&] { a.WriteLog("a"); }).join();
  b.WriteLog("b");
  unset.WriteLog("default");
  // A run's own log lines follow the object's folder too.
  auto open = std::make_shared<Connection>();
  open->SetConnectionString(
      "Provider = Microsoft.Jet.OLEDB.4.0;Data Source=" + std::string(GENERATESHEET_TESTDATA_DIR) +
      "/access/mdbreader-V2000-test.mdb;Persist Security Info=False");
  open->Open();
  b.SetPbaseConn(open);
  b.InitPbaseConn();
  ::unsetenv("GENERATESHEET_LOG_DIR");
  EXPECT_EQ("a\r\n", ReadFileForTest(first.File("syslog.txt")));
  EXPECT_EQ("b\r\n" + b.ErrMsg() + "\r\n", ReadFileForTest(second.File("syslog.txt")));
  EXPECT_EQ("default\r\n", ReadFileForTest(env.File("syslog.txt")));
  // The scope ends with the call.
  EXPECT_EQ(LibraryFolder() + "/syslog.txt", LogFilePath());
}

// With a callback, an object's lines (WriteLog's and its runs') go to that
// callback instead of a file, and only that object's lines, even while
// another object logs on another thread.  An empty callback restores the
// file.
TEST(LogCallback, EachObjectsLinesGoToItsOwnCallbackInsteadOfTheFile) {
  TempDir folder;
  CreateHtml sheets[2];
  std::vector<std::string> lines[2];
  for (int i = 0; i < 2; ++i) {
    sheets[i].SetLogFolder(folder.path());
    sheets[i].SetLogCallback([&lines, i](std::string_view line) { lines[i].emplace_back(line); });
  }
  auto open = std::make_shared<Connection>();
  open->Open("Provider = Microsoft.Jet.OLEDB.4.0;Data Source=" +
             std::string(GENERATESHEET_TESTDATA_DIR) + "/access/mdbreader-V2000-test.mdb");
  sheets[1].SetPbaseConn(open);
  std::atomic<int> ready{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < 2; ++i) {
    threads.emplace_back([&, i] {
      ++ready;
      while (ready < 2) std::this_thread::yield();
      for (int n = 0; n < 200; ++n) sheets[i].WriteLog(std::to_string(i) + ":" + std::to_string(n));
      sheets[i].InitPbaseConn();  // refused for the second object: its open connection
    });
  }
  for (std::thread& t : threads) t.join();

  for (int i = 0; i < 2; ++i) {
    std::vector<std::string> expected;
    for (int n = 0; n < 200; ++n) expected.push_back(std::to_string(i) + ":" + std::to_string(n));
    if (i == 1) expected.push_back(sheets[1].ErrMsg());
    EXPECT_EQ(expected, lines[i]);
  }
  EXPECT_NE("", sheets[1].ErrMsg());
  EXPECT_FALSE(std::filesystem::exists(folder.File("syslog.txt")));

  sheets[0].SetLogCallback(nullptr);
  sheets[0].WriteLog("to the file");
  EXPECT_EQ("to the file\r\n", ReadFileForTest(folder.File("syslog.txt")));
  EXPECT_EQ(200u, lines[0].size());
}

// A callback that replaces itself, or turns itself off, from inside its
// own call goes on running with everything it holds until it returns; the
// lines after go where the new setting says.  Each object on a thread of
// its own.
TEST(LogCallback, ACallbackMayReplaceItselfWhileItRuns) {
  TempDir folder;
  struct Held {
    explicit Held(std::atomic<bool>* flag) : gone(flag) {}
    ~Held() { *gone = true; }
    std::atomic<bool>* gone;
  };
  constexpr int kObjects = 2;
  CreateHtml sheets[kObjects];
  std::atomic<bool> gone[kObjects] = {};
  bool alive_after_change[kObjects] = {};
  std::string prefix_after_change[kObjects];
  std::vector<std::string> lines[kObjects];
  std::vector<std::thread> threads;
  for (int i = 0; i < kObjects; ++i) {
    sheets[i].SetLogFolder(folder.path() + "/" + std::to_string(i));
    std::filesystem::create_directory(folder.path() + "/" + std::to_string(i));
    auto held = std::make_shared<Held>(&gone[i]);
    const std::string prefix(64, static_cast<char>('a' + i));  // beyond any small-buffer storage
    sheets[i].SetLogCallback([&, i, held, prefix](std::string_view line) {
      if (i == 0) {
        sheets[i].SetLogCallback(
            [&lines, i](std::string_view later) { lines[i].emplace_back(later); });
      } else {
        sheets[i].SetLogCallback(nullptr);
      }
      alive_after_change[i] = !gone[i];
      prefix_after_change[i] = prefix + std::string(line);
    });
    held.reset();
    threads.emplace_back([&, i] {
      sheets[i].WriteLog("first");
      sheets[i].WriteLog("second");
    });
  }
  for (std::thread& t : threads) t.join();
  for (int i = 0; i < kObjects; ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(alive_after_change[i]);
    EXPECT_EQ(prefix_after_change[i], std::string(64, static_cast<char>('a' + i)) + "first");
    EXPECT_TRUE(gone[i]) << "the replaced callback is released once it returns";
  }
  EXPECT_EQ(lines[0], std::vector<std::string>{"second"});
  EXPECT_EQ(ReadFileForTest(folder.File("1/syslog.txt")), "second\r\n");
}

TEST_F(LogTest, InitPbaseConnLogsARefusedChange) {
  // An open connection refuses a new connection string; the report goes to
  // ErrMsg and, the same text, to the log.  The host's connection stays
  // the member, open, with its string.
  auto open = std::make_shared<Connection>();
  const std::string connection_string =
      "Provider = Microsoft.Jet.OLEDB.4.0;Data Source=" + std::string(GENERATESHEET_TESTDATA_DIR) +
      "/access/mdbreader-V2000-test.mdb;Persist Security Info=False";
  open->SetConnectionString(connection_string);
  open->Open();
  sheet_.SetPbaseConn(open);
  sheet_.SetBakDataPath("/another/package");
  sheet_.InitPbaseConn();
  ASSERT_EQ(0u, sheet_.ErrMsg().rfind("初始化Pbase数据库连接出错，详细信息：", 0))
      << sheet_.ErrMsg();
  EXPECT_EQ(sheet_.ErrMsg() + "\r\n", ReadFileForTest(dir_.File("syslog.txt")));
  EXPECT_EQ(open, sheet_.PbaseConn());
  EXPECT_TRUE(open->IsOpen());
  EXPECT_EQ(connection_string, open->ConnectionString());
}

// The suite links the library statically, so its code lies in the test
// program; the installed-library test checks the shared library's case.
TEST(LibraryFolder, IsTheFolderOfTheFileHoldingTheCode) {
  const std::filesystem::path folder = LibraryFolder();
  EXPECT_EQ(std::filesystem::canonical("/proc/self/exe").parent_path(), folder);
  EXPECT_EQ(folder / "syslog.txt", std::filesystem::path(LogFilePath()));
}

TEST(Delfile, DeletesExistingFilesReadOnlyOrNotAndIgnoresTheRest) {
  TempDir dir;
  CreateHtml sheet;
  std::string plain = dir.File("a.txt");
  std::string read_only = dir.File("b.txt");
  WriteFileForTest(plain, "a");
  WriteFileForTest(read_only, "b");
  ::chmod(read_only.c_str(), 0444);
  sheet.Delfile(plain);
  sheet.Delfile(read_only);
  EXPECT_FALSE(std::filesystem::exists(plain));
  EXPECT_FALSE(std::filesystem::exists(read_only));
  EXPECT_EQ(dir.File("a.txt"), plain);  // the argument is never modified

  std::string missing = dir.File("missing.txt");
  std::string folder = dir.path();
  sheet.SetErrMsg("kept");
  sheet.Delfile(missing);
  sheet.Delfile(folder);
  EXPECT_TRUE(std::filesystem::exists(folder));
  EXPECT_EQ("kept", sheet.ErrMsg());
}

// "\" separates folders: "a\x.mdb" is x.mdb in folder a.  A file whose
// name holds "\" cannot be addressed, so it stays.
TEST(Delfile, ABackslashSeparatesFolders) {
  TempDir dir;
  CreateHtml sheet;
  std::filesystem::create_directories(dir.File("a"));
  WriteFileForTest(dir.File("a/x.mdb"), "x");
  WriteFileForTest(dir.File("a\\x.mdb"), "x");
  std::string path = dir.File("a\\x.mdb");
  sheet.Delfile(path);
  EXPECT_FALSE(std::filesystem::exists(dir.File("a/x.mdb")));
  EXPECT_TRUE(std::filesystem::exists(dir.File("a\\x.mdb")));
  EXPECT_EQ(dir.File("a\\x.mdb"), path);
}

}  // namespace
}  // namespace generatesheet
