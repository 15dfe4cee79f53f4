// generate-sheet as a whole: usage errors, help, run and keygen.
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "generatesheet/c_api.h"
#include "generatesheet/version.h"
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
      // An unknown option names the command's nearest one only when it is a slip.
      {{"run", "--bak-data-path", "b", "--zip", "a.zip", "--out", "o/", "--colour"},
       "未知选项 --colour（用 generate-sheet run --help"},
      {{"run", "--mark"}, "未知选项 --mark；是否指 --marks？（用 generate-sheet run --help"},
      {{"run", "--student_id=1001"}, "未知选项 --student_id；是否指 --student-id？"},
      {{"run", "--hepl"}, "未知选项 --hepl；是否指 --help？"},
      {{"dump", "--out", "x"}, "未知选项 --out（用"},
      {{"run", "--zip", "a.zip", "--zip", "b.zip"}, "--zip"},
      {{"run", "-z"}, "-z"},
      {{"run", "--bak-data-path", "b", "--zip", "a.zip", "--out", "o/", "extra"}, "extra"},
      {{"run", "--bak-data-path", "b", "--zip", "a.zip", "--out", "o/"}, "--student-id"},
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

// One version, set in the build: the program's, the library's and the C API's.
TEST_F(RunCommandTest, VersionIsTheLibrarysVersion) {
  const CliResult r = Cli({"--version"});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, std::string("generate-sheet ") + GENERATESHEET_VERSION + "\n");
  EXPECT_STREQ(Version(), GENERATESHEET_VERSION);
  EXPECT_STREQ(gs_version(), GENERATESHEET_VERSION);
  EXPECT_EQ(std::string(GENERATESHEET_VERSION), std::to_string(GENERATESHEET_VERSION_MAJOR) + "." +
                                                    std::to_string(GENERATESHEET_VERSION_MINOR) +
                                                    "." +
                                                    std::to_string(GENERATESHEET_VERSION_PATCH));
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
  EXPECT_NE(page.find("<title>1001 张三 语文</title>"), std::string::npos);
  EXPECT_NE(page.find("学号：1001&nbsp;&nbsp;姓名：张三&nbsp;&nbsp;科目：语文"), std::string::npos);
  EXPECT_NE(page.find("<li>B、北京</li>"), std::string::npos);
  EXPECT_NE(page.find("考生答案：B &nbsp;&nbsp;标准答案：B"), std::string::npos);
}

// A package zipped by 7-Zip, whose AES entries store no CRC-32 (AE-2): the
// encrypted answer database stored, the question bank deflated.
TEST_F(RunCommandTest, RunReadsAPackageZippedBy7Zip) {
  const std::string staging = dir_.File("staging"), folder = dir_.File("exam/1003");
  fs::create_directories(staging);
  fs::create_directories(folder);
  builder::WriteDatabases(SmallPaper("1003"), *cipher_, staging);
  const std::string zip = "cd " + ShellQuote(staging) + " && 7z a -tzip -pqvk -mem=AES256 " +
                          ShellQuote(folder + "/1003.zip") + " Pbase.mdb Analysis.mdb >/dev/null";
  ASSERT_EQ(std::system(zip.c_str()), 0) << zip;
  const CliResult r = Cli({"run", "--bak-data-path", folder, "--zip", "1003.zip", "--out", "pages",
                           "--student-id", "1003", "--key-file", key_file_});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(
      ReadFileForTest(dir_.File("pages/1003.html")).find("考生答案：B &nbsp;&nbsp;标准答案：B"),
      std::string::npos);
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
  EXPECT_TRUE(ReadFileForTest(dir_.File("out/1002.html")).starts_with("[1002]"));
}

TEST_F(RunCommandTest, NoKeyFileIsUsageError) {
  const CliResult r =
      Cli({"run", "--bak-data-path", "b", "--zip", "a.zip", "--out", "o/", "--student-id", "1"},
          {"-GENERATESHEET_KEY_FILE"});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("GENERATESHEET_KEY_FILE"), std::string::npos) << r.err;
}

TEST_F(RunCommandTest, UnreadableKeyFileStopsBeforeAnyWork) {
  const std::string folder = MakePackage("1004", "1004.zip", "1004");
  const CliResult r = Cli({"run", "--bak-data-path", folder, "--zip", "1004.zip", "--out", "o",
                           "--student-id", "1004", "--key-file", dir_.File("no.key")});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find(dir_.File("no.key")), std::string::npos) << r.err;
  EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
  EXPECT_FALSE(fs::exists(folder + "/Pbase.mdb"));  // not even extracted
}

TEST_F(RunCommandTest, FailuresExitOneWithTheReason) {
  const std::string folder = MakePackage("1003", "1003.zip", "1003");
  // No package of that name.
  CliResult r = Cli({"run", "--bak-data-path", folder, "--zip", "none.zip", "--out", "o",
                     "--student-id", "1003", "--key-file", key_file_});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "答卷包不存在：" + folder + "/none.zip\n");

  // A file that is not a zip archive.
  WriteFileForTest(folder + "/broken.zip", "not a zip");
  r = Cli({"run", "--bak-data-path", folder, "--zip", "broken.zip", "--out", "o", "--student-id",
           "1003", "--key-file", key_file_});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "答卷包不是 zip 文件：" + folder + "/broken.zip\n");

  // The page is not whole: written, exit 3, the cause on stderr, and on the
  // page a notice that says so, in the words a reader understands.
  const std::string other_key = dir_.File("other.key");
  ASSERT_EQ(Cli({"keygen", other_key}).exit_code, 0);
  // A package whose Analysis.mdb was never encrypted.
  builder::BuildAnswerPackage(SmallPaper("1003"), *cipher_, folder + "/plain.zip",
                              {"aes256", false});
  struct Case {
    std::vector<std::string> args;
    std::string cause;
    std::string notice;
    std::string zip = "1003.zip";
  };
  const Case cases[] = {
      {{"--student-id", "1003", "--key-file", other_key},
       "解密考生的答卷数据（Analysis."
       "mdb）时出错：答卷数据无法解密：密钥文件不符，或答卷数据已损坏（"
       "答卷包：" +
           folder + "/1003.zip，密钥文件：" + other_key + "）",
       "此页面不完整：答卷数据无法解密：密钥文件不符，或答卷数据已损坏（答卷包：" + folder +
           "/1003.zip，密钥文件：" + other_key +
           "）。页面上没有页眉（学号、姓名、得分）和考生答案"},
      {{"--student-id", "1004", "--key-file", key_file_},
       "生成页眉（学号、姓名、得分）时出错：学号“1004”与此答卷包不符",
       "此页面不完整：学号“1004”与此答卷包不符"},
      {{"--student-id", "1003", "--subject", "计算机应用基础", "--key-file", key_file_},
       "请检查科目“计算机应用基础”是否与这份答卷包的试卷相符",
       "试卷中没有生成任何试题：请检查科目“计算机应用基础”是否与这份答卷包的试卷相符）。请改正科目"
       "后重新生成此页面。"},
      {{"--student-id", "1003", "--key-file", key_file_},
       "解密考生的答卷数据（Analysis.mdb）时出错：答卷数据不是加密的答卷数据库，或已损坏：" +
           folder + "/Analysis.mdb\n",
       "此页面不完整：答卷数据不是加密的答卷数据库，或已损坏：" + folder + "/Analysis.mdb。",
       "plain.zip"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cause);
    std::vector<std::string> args = {"run", "--bak-data-path", folder, "--zip",
                                     c.zip, "--out",           "o"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    r = Cli(args);
    EXPECT_EQ(r.exit_code, 3) << r.err;
    const std::string page = "o/" + c.zip.substr(0, c.zip.size() - 4) + ".html";
    EXPECT_EQ(r.out, page + "\n");
    EXPECT_TRUE(r.err.starts_with("警告：页面已写出，但有错误：")) << r.err;
    EXPECT_NE(r.err.find(c.cause), std::string::npos) << r.err;
    const std::string html = ReadFileForTest(dir_.File(page));
    EXPECT_EQ(html.find("考生答案：B"), std::string::npos);
    EXPECT_NE(html.find("<div class='incomplete' "), std::string::npos) << html;
    EXPECT_NE(html.find(c.notice), std::string::npos) << html;
  }
  // A complete page carries no notice.
  r = Cli({"run", "--bak-data-path", folder, "--zip", "1003.zip", "--out", "o", "--student-id",
           "1003", "--key-file", key_file_});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(ReadFileForTest(dir_.File("o/1003.html")).find("此页面不完整"), std::string::npos);
}

TEST_F(RunCommandTest, InputsThatCannotWorkAreRefusedBeforeAnyWork) {
  const std::string folder = MakePackage("1005", "1005.zip", "1005");
  WriteFileForTest(dir_.File("no-content.html"), "<html>$Title$</html>");
  WriteFileForTest(dir_.File("utf32.html"), std::string("\xFF\xFE\0\0$\0\0\0", 8));
  ASSERT_EQ(::mkfifo(dir_.File("fifo").c_str(), 0600), 0);
  struct Case {
    std::vector<std::string> args;
    int exit_code;
    std::string named;
  };
  const Case cases[] = {
      {{"--template", dir_.File("missing.html")}, 1, "文件不存在：" + dir_.File("missing.html")},
      {{"--template", dir_.File("no-content.html")}, 1, "$Content$"},
      {{"--template", dir_.File("utf32.html")}, 1, "UTF-32"},
      {{"--template", dir_.File("fifo")}, 1, "命名管道"},
      {{"--template", "/dev/zero"}, 1, "设备"},
      {{"--template", dir_.path()}, 1, "文件夹"},
      {{"--key-file", dir_.File("fifo")}, 1, "命名管道"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    std::vector<std::string> args = {"run", "--bak-data-path", folder, "--zip", "1005.zip", "--out",
                                     "o",   "--student-id",    "1005"};
    if (c.args[0] != "--key-file") args.insert(args.end(), {"--key-file", key_file_});
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliResult r = Cli(args);
    EXPECT_EQ(r.exit_code, c.exit_code) << r.err;
    EXPECT_NE(r.err.find(c.named), std::string::npos) << r.err;
    EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
  }
  // Nothing was even extracted.
  EXPECT_FALSE(fs::exists(folder + "/Pbase.mdb"));
  EXPECT_FALSE(fs::exists(dir_.File("o/1005.html")));
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

  // A folder that does not exist is named, in Chinese.
  r = Cli({"keygen", dir_.File("nowhere/new.key")});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "generate-sheet keygen：无法在文件夹中创建主密钥文件：" + dir_.File("nowhere") +
                       "（文件或文件夹不存在）\n");

  // A key others may read works, with a warning.
  ::chmod(key.c_str(), 0644);
  const std::string folder = MakePackage("1006", "1006.zip", "1006");
  r = Cli({"run", "--bak-data-path", folder, "--zip", "1006.zip", "--out", "o", "--student-id",
           "1006", "--key-file", key});
  EXPECT_NE(r.err.find("警告：主密钥文件的权限为 0644"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace generatesheet::testing
