// generate-sheet as a whole: usage errors, help, run and keygen.
#include <sys/stat.h>

#include <filesystem>

#include "tools/cli_fixture.h"

namespace generatesheet::testing {
namespace {

namespace fs = std::filesystem;

using RunCommandTest = CliTest;

TEST_F(RunCommandTest, UsageErrorsExitTwoWithOneLineNamingTheFault) {
  struct Case {
    std::vector<std::string> args;
    std::string named;
  };
  const Case cases[] = {
      {{}, "用法"},
      {{"frobnicate"}, "frobnicate"},
      {{"run", "--zip", "a.zip", "--out", "o/"}, "--bak-data-path"},
      {{"run", "--bak-data-path", "b", "--out", "o/"}, "--zip"},
      {{"run", "--bak-data-path", "b", "--zip", "a.zip"}, "--out"},
      {{"run", "--bak-data-path", "b", "--zip"}, "--zip"},
      {{"run", "--bak-data-path", "b", "--zip", "a.zip", "--out", "o/", "--colour"}, "--colour"},
      {{"run", "--zip", "a.zip", "--zip", "b.zip"}, "--zip"},
      {{"run", "-z"}, "-z"},
      {{"run", "--bak-data-path", "b", "--zip", "a.zip", "--out", "o/", "extra"}, "extra"},
      {{"run", "--bak-data-path", "b", "--zip", "../p.zip", "--out", "o/"},
       "--zip 的值必须是不含路径的文件名：“../p.zip”"},
      {{"run", "--bak-data-path", "b", "--zip", "sub\\p.zip", "--out", "o/"}, "不是文件名"},
      {{"keygen"}, "密钥文件"},
      {{"keygen", "a", "b"}, "b"},
  };
  for (const Case& c : cases) {
    const CliResult r = Cli(c.args);
    SCOPED_TRACE(::testing::PrintToString(c.args));
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(c.named), std::string::npos) << r.err;
    if (!c.args.empty()) {
      EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
    }
  }
}

TEST_F(RunCommandTest, HelpOnEveryCommandExitsZero) {
  const CliResult overview = Cli({"--help"});
  EXPECT_EQ(overview.exit_code, 0);
  for (const char* command : {"run", "batch", "pack", "keygen", "dump", "demo"}) {
    SCOPED_TRACE(command);
    EXPECT_NE(overview.out.find(std::string("  ") + command), std::string::npos);
    const CliResult r = Cli({command, "--help"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_NE(r.out.find(std::string("generate-sheet ") + command), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");
  }
}

TEST_F(RunCommandTest, RunWritesPageWithDefaultTemplate) {
  const std::string folder = MakePackage("exam/1001", "10#01.zip", "1001");
  const CliResult r = Cli({"run", "--bak-data-path", folder + "/", "--zip", "10#01.zip", "--out",
                           "pages", "--student-id", "1001", "--student-name", "张三", "--subject",
                           "语文", "--key-file", key_file_});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "pages/1001.html\n");
  EXPECT_EQ(r.err, "");
  const std::string page = ReadFileForTest(dir_.File("pages/1001.html"));
  EXPECT_NE(page.find("name=\"viewport\""), std::string::npos);
  EXPECT_NE(page.find("<title>生成的网页标题</title>"), std::string::npos);
  EXPECT_NE(page.find("学号：1001&nbsp;&nbsp;姓名：张三&nbsp;&nbsp;科目：语文"), std::string::npos);
  EXPECT_NE(page.find("<li>B、北京</li>"), std::string::npos);
  EXPECT_NE(page.find("考生答案：B &nbsp;&nbsp;标准答案：B"), std::string::npos);
}

TEST_F(RunCommandTest, KeyFileFromEnvironmentAndOwnTemplate) {
  const std::string folder = MakePackage("1002", "1002.zip", "1002");
  WriteFileForTest(dir_.File("t.html"), "[$Title$]$Content$");
  const CliResult r =
      Cli({"run", "--bak-data-path", folder, "--zip", "1002.zip", "--out", dir_.File("out/"),
           "--template", dir_.File("t.html"), "--student-id", "1002"},
          {"GENERATESHEET_KEY_FILE=" + key_file_});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, dir_.File("out/1002.html") + "\n");
  EXPECT_TRUE(ReadFileForTest(dir_.File("out/1002.html")).starts_with("[生成的网页标题]"));
}

TEST_F(RunCommandTest, NoKeyFileIsUsageError) {
  const CliResult r = Cli({"run", "--bak-data-path", "b", "--zip", "a.zip", "--out", "o/"},
                          {"-GENERATESHEET_KEY_FILE"});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("GENERATESHEET_KEY_FILE"), std::string::npos) << r.err;
}

TEST_F(RunCommandTest, UnreadableKeyFileStopsBeforeAnyWork) {
  const std::string folder = MakePackage("1004", "1004.zip", "1004");
  const CliResult r = Cli({"run", "--bak-data-path", folder, "--zip", "1004.zip", "--out", "o",
                           "--key-file", dir_.File("no.key")});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find(dir_.File("no.key")), std::string::npos) << r.err;
  EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
  EXPECT_FALSE(fs::exists(folder + "/Pbase.mdb"));  // not even extracted
}

TEST_F(RunCommandTest, FailuresExitOneWithTheReason) {
  const std::string folder = MakePackage("1003", "1003.zip", "1003");
  // No package of that name.
  CliResult r = Cli({"run", "--bak-data-path", folder, "--zip", "none.zip", "--out", "o",
                     "--key-file", key_file_});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "答卷包不存在：" + folder + "/none.zip\n");

  // A file that is not a zip archive.
  WriteFileForTest(folder + "/broken.zip", "not a zip");
  r = Cli({"run", "--bak-data-path", folder, "--zip", "broken.zip", "--out", "o", "--key-file",
           key_file_});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "答卷包不是 zip 文件：" + folder + "/broken.zip\n");

  // The template is missing: the library's own report.
  r = Cli({"run", "--bak-data-path", folder, "--zip", "1003.zip", "--out", "o", "--template",
           dir_.File("missing.html"), "--key-file", key_file_});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(r.err.starts_with("【GePaperInfo】创建文件出错，错误信息：")) << r.err;
  EXPECT_NE(r.err.find("missing.html"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir_.File("o/1003.html")));

  // The wrong key: the page is still written, with a gap and a warning.
  const std::string other_key = dir_.File("other.key");
  ASSERT_EQ(Cli({"keygen", other_key}).exit_code, 0);
  r = Cli({"run", "--bak-data-path", folder, "--zip", "1003.zip", "--out", "o", "--key-file",
           other_key});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "o/1003.html\n");
  EXPECT_TRUE(r.err.starts_with("警告：")) << r.err;
}

TEST_F(RunCommandTest, KeygenWritesPrivateKeyAndNeverOverwrites) {
  const std::string key = dir_.File("keys/new.key");
  fs::create_directories(dir_.File("keys"));
  CliResult r = Cli({"keygen", key});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, key + "\n");
  struct stat st {};
  ASSERT_EQ(::stat(key.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_NO_THROW(ReadMasterKeyFile(key));
  const std::string before = ReadFileForTest(key);

  r = Cli({"keygen", key});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find(key), std::string::npos) << r.err;
  EXPECT_EQ(ReadFileForTest(key), before);
}

}  // namespace
}  // namespace generatesheet::testing
