// Runs the C checks of c_api_test.c (compiled as C) under GoogleTest.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "builder/answer_package.h"
#include "c_api/c_api_checks.h"
#include "data/sodium_cipher.h"
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

TEST(CApiTest, GeneratesPageFromRealPackageTwice) {
  TempDir dir;
  const std::string key_file = dir.File("master.key");
  WriteNewMasterKeyFile(key_file);
  ::setenv(kKeyFileEnvironmentVariable, key_file.c_str(), 1);
  SodiumCipher cipher(ReadMasterKeyFile(key_file));

  builder::PackageDescription paper;
  paper.student_id = "1001";
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

}  // namespace
}  // namespace generatesheet::testing
