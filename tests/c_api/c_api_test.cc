// Runs the C checks of c_api_test.c (compiled as C) under GoogleTest.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "builder/package/answer_package.h"
#include "c_api/c_api_checks.h"
#include "cipher/sodium_cipher.h"
#include "support/temp_dir.h"

namespace generatesheet::testing {
namespace {

#define EXPECT_PASSES(check)                \
  do {                                      \
    const char* failure = (check);          \
    EXPECT_EQ(failure, nullptr) << failure; \
  } while (0)

TEST(CApiTest, FreshObjectsReadEmpty) { EXPECT_PASSES(gs_check_fresh_objects_read_empty()); }

TEST(CApiTest, PropertiesRoundTrip) { EXPECT_PASSES(gs_check_properties_round_trip()); }

TEST(CApiTest, ConnectionReferencesShareTheMember) { EXPECT_PASSES(gs_check_connections()); }

TEST(CApiTest, DelfileRemovesReadOnlyFile) {
  TempDir dir;
  EXPECT_PASSES(gs_check_delfile(dir.File("old.html").c_str()));
}

TEST(CApiTest, MissingPackageFailsAndKeepsErrMsg) {
  TempDir dir;
  EXPECT_PASSES(gs_check_missing_package(dir.path().c_str()));
}

// Two handles log through their own callbacks on two threads at once.
TEST(CApiTest, LogCallbacksReceiveOnlyTheirOwnHandlesLines) {
  TempDir dir;
  std::filesystem::create_directories(dir.File("a"));
  std::filesystem::create_directories(dir.File("b"));
  const char* failures[2] = {nullptr, nullptr};
  std::atomic<int> ready{0};
  std::thread threads[2];
  for (int i = 0; i < 2; ++i) {
    threads[i] = std::thread([&, i] {
      const std::string tag = i == 0 ? "a" : "b", folder = dir.File(tag);
      ++ready;
      while (ready < 2) std::this_thread::yield();
      failures[i] = gs_check_log_callback(tag.c_str(), folder.c_str());
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_PASSES(failures[0]);
  EXPECT_PASSES(failures[1]);
}

// A one-question paper: question 1, answered "A" (right) for 2 marks.
builder::PackageDescription OneQuestionPaper(const std::string& student_id) {
  builder::PackageDescription paper;
  paper.student_id = student_id;
  paper.question_types.push_back({{"I_CmdId", 1}, {"C_DataCode", "86"}, {"C_TestStyle", "单选题"}});
  paper.titles.push_back({{"I_QuestionNo", 1}, {"M_Title", "1+1=?"}, {"C_DataCode", "86"}});
  paper.choices.push_back({{"I_QuestionNo", 1}, {"C_ChoiceAnswer", "A"}, {"M_AnswerCont", "2"}});
  paper.accounts.push_back({{"I_QuestionNo", 1}, {"S_GetScore", "2"}, {"I_RECNO", 7}});
  paper.analysis.push_back({{"I_QuestionNo", 1},
                            {"I_TypeID", 1},
                            {"M_StudentAnswer", "1"},
                            {"M_TopicAns", "1"},
                            {"M_Analysis", "一加一等于二"},
                            {"S_Score", 2}});
  return paper;
}

TEST(CApiTest, GeneratesPageFromRealPackageTwice) {
  TempDir dir;
  const std::string key_file = dir.File("master.key");
  WriteNewMasterKeyFile(key_file);
  ::setenv(kKeyFileEnvironmentVariable, key_file.c_str(), 1);
  SodiumCipher cipher(ReadMasterKeyFile(key_file));
  const builder::PackageDescription paper = OneQuestionPaper("1001");
  std::filesystem::create_directories(dir.File("bak"));
  std::filesystem::create_directories(dir.File("pages"));
  builder::BuildAnswerPackage(paper, cipher, dir.File("bak/1#001.zip"));
  WriteFileForTest(dir.File("template.html"), "<title>$Title$</title>$Content$");

  EXPECT_PASSES(gs_check_generate(
      dir.File("bak").c_str(), "1#001.zip", dir.File("template.html").c_str(),
      (dir.File("pages") + "/").c_str(), "1001", dir.File("pages/1001.html").c_str()));
  const std::string page = ReadFileForTest(dir.File("pages/1001.html"));
  EXPECT_NE(page.find("考生得分：2</div>"), std::string::npos) << page;
  EXPECT_NE(page.find("<li>A、2</li>"), std::string::npos) << page;
  EXPECT_NE(page.find("得分：2 / 2 <span class='verdict correct'>✔ 正确</span>"), std::string::npos)
      << page;
  // The last run, complete, had the notice asked for: none.
  EXPECT_EQ(page.find("此页面不完整"), std::string::npos) << page;
  ::unsetenv(kKeyFileEnvironmentVariable);
}

// Two handles with two master keys on two threads at once; the environment
// names no key at all.
TEST(CApiTest, TwoHandlesWithTheirOwnKeysRunAtOnce) {
  TempDir dir;
  ::unsetenv(kKeyFileEnvironmentVariable);
  WriteFileForTest(dir.File("template.html"), "$Content$");
  std::filesystem::create_directories(dir.File("pages"));
  const std::string ids[] = {"1001", "1002"};
  for (const std::string& id : ids) {
    WriteNewMasterKeyFile(dir.File(id + ".key"));
    SodiumCipher cipher(ReadMasterKeyFile(dir.File(id + ".key")));
    std::filesystem::create_directories(dir.File(id));
    builder::BuildAnswerPackage(OneQuestionPaper(id), cipher, dir.File(id + "/" + id + ".zip"));
  }
  const char* failures[2] = {nullptr, nullptr};
  std::atomic<int> ready{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < 2; ++i) {
    threads.emplace_back([&, i] {
      const std::string& id = ids[i];
      const std::string folder = dir.File(id), zip = id + ".zip", key = dir.File(id + ".key");
      const std::string out = dir.File("pages") + "/", page = dir.File("pages/" + id + ".html");
      const std::string template_path = dir.File("template.html");
      ++ready;
      while (ready < 2) std::this_thread::yield();
      failures[i] = gs_check_generate_with_key(folder.c_str(), zip.c_str(), template_path.c_str(),
                                               out.c_str(), id.c_str(), key.c_str(), page.c_str());
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_PASSES(failures[0]);
  EXPECT_PASSES(failures[1]);
  for (const std::string& id : ids) {
    const std::string page = ReadFileForTest(dir.File("pages/" + id + ".html"));
    EXPECT_NE(page.find("学号：" + id), std::string::npos) << page;
  }
}

// The paths of a host that joins folders with "\", through the C API.
TEST(CApiTest, BackslashSeparatesFoldersInEveryHostPath) {
  TempDir dir;
  ::unsetenv(kKeyFileEnvironmentVariable);
  WriteNewMasterKeyFile(dir.File("master.key"));
  SodiumCipher cipher(ReadMasterKeyFile(dir.File("master.key")));
  for (const char* folder : {"h1", "h1out", "logs"}) {
    std::filesystem::create_directories(dir.File(folder));
  }
  builder::BuildAnswerPackage(OneQuestionPaper("1001"), cipher, dir.File("h1/1001.zip"));
  WriteFileForTest(dir.File("tpl.html"), "$Content$");
  EXPECT_PASSES(gs_check_backslash_paths(dir.path().c_str()));
}

}  // namespace
}  // namespace generatesheet::testing
