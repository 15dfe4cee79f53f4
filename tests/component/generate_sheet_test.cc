// The driver and page assembly, with the package extraction answered by a
// fake zip component (the databases are absent, so every renderer reports).
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "cipher/master_key.h"
#include "cipher/sodium_cipher.h"
#include "component/fake_components.h"
#include "generatesheet/create_html.h"
#include "support/temp_dir.h"
#include "support/zip_writer.h"
#include "util/text_encoding.h"

namespace generatesheet {
namespace {

using testing::FixedCipher;
using testing::ReadFileForTest;
using testing::ScopedCipherFactory;
using testing::ScopedFakeZip;
using testing::TempDir;
using testing::WriteFileForTest;
using testing::WriteZip;
using testing::ZipEntry;

class GenerateSheetTest : public ::testing::Test {
 protected:
  GenerateSheetTest()
      : ciphers_([] { return std::make_unique<FixedCipher>(FileDecryption::kRefused); }) {
    std::filesystem::create_directory(out_dir());
    WriteFileForTest(dir_.File("template.html"), "<title>$Title$</title><body>$Content$</body>");
    sheet_.SetBakDataPath(dir_.path());
    sheet_.SetZipPaperName("1001.zip");
    sheet_.SetTemplatePath(dir_.File("template.html"));
    sheet_.SetHTMLPaperPath(out_dir() + "/");
  }
  std::string out_dir() const { return dir_.File("out"); }
  bool Exists(const std::string& path) const { return std::filesystem::exists(path); }

  TempDir dir_;
  ScopedCipherFactory ciphers_;
  CreateHtml sheet_;
};

TEST_F(GenerateSheetTest, HandsTheZipComponentItsSettingsInOrder) {
  ScopedFakeZip zip(0);
  EXPECT_TRUE(sheet_.GenerateSheet());
  const std::vector<std::string> expected = {
      "18=" + dir_.path() + "/1001.zip", "4=" + dir_.path(), "16=0", "11=2", "12=qvk", "48"};
  EXPECT_EQ(expected, zip.log);
}

TEST_F(GenerateSheetTest, NeverSetPathsReachTheComponentAsTheyStand) {
  ScopedFakeZip zip(3);
  CreateHtml blank;
  EXPECT_FALSE(blank.GenerateSheet());
  EXPECT_EQ("18=/", zip.log[0]);
  EXPECT_EQ("4=", zip.log[1]);
}

TEST_F(GenerateSheetTest, RefusesAPackageNameThatIsNotABareFileName) {
  ScopedFakeZip zip(0);
  const std::pair<const char*, const char*> cases[] = {
      {"../p.zip", "“../p.zip”不是文件名：含有路径分隔符“/”或“\\”"},
      {"sub\\p.zip", "“sub\\p.zip”不是文件名：含有路径分隔符“/”或“\\”"},
      {"/tmp/p.zip", "“/tmp/p.zip”不是文件名：含有路径分隔符“/”或“\\”"},
      {"..", "“..”不是文件名"},
      {"C:p.zip", "“C:p.zip”不是文件名：以盘符开头"},
  };
  for (const auto& [name, reason] : cases) {
    sheet_.SetZipPaperName(name);
    EXPECT_FALSE(sheet_.GenerateSheet()) << name;
    EXPECT_EQ(std::string("创建文件出错，错误信息：答卷包名称必须是不含路径的文件名：") + reason,
              sheet_.ErrMsg());
  }
  EXPECT_TRUE(zip.log.empty());  // nothing was extracted
  EXPECT_FALSE(Exists(dir_.File("p.html")));
  EXPECT_TRUE(std::filesystem::is_empty(out_dir()));
}

TEST_F(GenerateSheetTest, APackageEntryNeverReplacesThePageInThePackageFolder) {
  // The real zip component; the page goes into the package's own folder.
  WriteZip(dir_.File("1001.zip"),
           {ZipEntry::File("Pbase.mdb", "bank"), ZipEntry::File("1001.html", "forged page")});
  WriteFileForTest(dir_.File("1001.html"), "the page of an earlier run");
  const std::string package = ReadFileForTest(dir_.File("1001.zip"));
  sheet_.SetHTMLPaperPath(dir_.path() + "/");
  EXPECT_FALSE(sheet_.GenerateSheet());
  EXPECT_EQ(ReadFileForTest(dir_.File("1001.html")), "the page of an earlier run");
  EXPECT_EQ(ReadFileForTest(dir_.File("1001.zip")), package);
  EXPECT_FALSE(Exists(dir_.File("Pbase.mdb")));
}

// The answer database is decrypted on its way out of the package, the
// file dated when written as a decryption in place would date it.  One that
// does not decrypt, whatever part of it fails, is left as the package holds
// it and refused in the words of the decryption in place.
TEST_F(GenerateSheetTest, TheAnswerDatabaseDecryptsOnItsWayOutOrStaysAsItCame) {
  WriteNewMasterKeyFile(dir_.File("master.key"));
  WriteNewMasterKeyFile(dir_.File("other.key"));
  SodiumCipher cipher(ReadMasterKeyFile(dir_.File("master.key")));
  SodiumCipher other(ReadMasterKeyFile(dir_.File("other.key")));
  sheet_.SetKeyFile(dir_.File("master.key"));
  ScopedCipherFactory real(nullptr);  // the library's own cipher
  const std::string plain(3 * 65536 + 10, 'p');
  const auto encrypted = [&](SodiumCipher& by) {
    WriteFileForTest(dir_.File("scratch"), plain);
    by.EncryptFile(dir_.File("scratch"));
    return ReadFileForTest(dir_.File("scratch"));
  };
  const std::string good = encrypted(cipher);
  const std::string foreign = encrypted(other);
  std::string tampered = good;
  tampered[50 + 65536 + 17 + 100] ^= 0x01;  // inside the second chunk
  const struct {
    std::string entry, left, error;
  } cases[] = {
      {good, plain, ""},
      {tampered, tampered, "第 2 个数据块校验失败"},
      {foreign, foreign, "密钥文件不符"},
      {good.substr(0, good.size() - 20), good.substr(0, good.size() - 20), "截断"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    WriteZip(dir_.File("1001.zip"),
             {ZipEntry::File("Pbase.mdb", "bank"), ZipEntry::File("Analysis.mdb", c.entry)});
    sheet_.SetErrMsg("");
    EXPECT_TRUE(sheet_.GenerateSheet());
    EXPECT_TRUE(ReadFileForTest(dir_.File("Analysis.mdb")) == c.left);  // megabytes unprinted
    const std::string analysis_error = "初始化Analysis数据库连接出错";
    if (c.error.empty()) {
      EXPECT_EQ(sheet_.ErrMsg().find(analysis_error), std::string::npos) << sheet_.ErrMsg();
      EXPECT_NE(sheet_.AnalysisConn()->ConnectionString(), "");
      struct stat info {};
      ASSERT_EQ(::stat(dir_.File("Analysis.mdb").c_str(), &info), 0);
      EXPECT_GT(info.st_mtime, 1600000000);  // the entry's date, unlike Pbase.mdb's
      ASSERT_EQ(::stat(dir_.File("Pbase.mdb").c_str(), &info), 0);
      EXPECT_EQ(info.st_mtime, 1600000000);
    } else {
      EXPECT_EQ(sheet_.ErrMsg().rfind(analysis_error, 0), 0u) << sheet_.ErrMsg();
      EXPECT_NE(sheet_.ErrMsg().find(c.error), std::string::npos) << sheet_.ErrMsg();
      EXPECT_EQ(sheet_.AnalysisConn()->ConnectionString(), "");
    }
  }
  // A package whose database decrypts is extracted once.
  ScopedFakeZip zip(0);
  EXPECT_TRUE(sheet_.GenerateSheet());
  EXPECT_EQ(std::count(zip.log.begin(), zip.log.end(), "48"), 1);
}

TEST_F(GenerateSheetTest, Code40CountsAsExtracted) {
  ScopedFakeZip zip(40);
  EXPECT_TRUE(sheet_.GenerateSheet());
  EXPECT_EQ(out_dir() + "/1001.html", sheet_.PagePath());
  EXPECT_TRUE(Exists(out_dir() + "/1001.html"));
}

TEST_F(GenerateSheetTest, OtherCodesStopTheRunAndLeaveErrMsg) {
  ScopedFakeZip zip(1);
  sheet_.SetErrMsg("earlier report");
  EXPECT_FALSE(sheet_.GenerateSheet());
  EXPECT_EQ("earlier report", sheet_.ErrMsg());
  EXPECT_EQ("", sheet_.PagePath());
  EXPECT_EQ("", sheet_.AnalysisConn()->ConnectionString());
  EXPECT_EQ("", sheet_.PbaseConn()->ConnectionString());
  EXPECT_FALSE(Exists(out_dir() + "/1001.html"));
}

TEST_F(GenerateSheetTest, PageFileNameDropsHashesAndTurnsZipIntoHtml) {
  ScopedFakeZip zip(0);
  const std::pair<const char*, const char*> cases[] = {
      {"a#b#c.zip", "abc.html"}, {"paper.ZIP", "paper.ZIP"}, {"a.zip.zip", "a.html.html"}};
  for (const auto& [package, page] : cases) {
    sheet_.SetZipPaperName(package);
    EXPECT_TRUE(sheet_.GenerateSheet());
    EXPECT_EQ(out_dir() + "/" + page, sheet_.PagePath()) << package;
    EXPECT_TRUE(Exists(out_dir() + "/" + page)) << package;
  }
}

TEST_F(GenerateSheetTest, PagePathIsJoinedWithoutASeparator) {
  ScopedFakeZip zip(0);
  sheet_.SetZipPaperName("x.zip");
  sheet_.SetHTMLPaperPath(out_dir());
  EXPECT_TRUE(sheet_.GenerateSheet());
  EXPECT_TRUE(Exists(out_dir() + "x.html"));
}

TEST_F(GenerateSheetTest, FillsTheTemplateAndEndsWithALineBreak) {
  ScopedFakeZip zip(0);
  WriteFileForTest(dir_.File("template.html"), "$Title$ $title$ [$Content$][$Content$]");
  EXPECT_TRUE(sheet_.GenerateSheet());
  // Without databases both fragments are empty; the placeholders still go.
  EXPECT_EQ("生成的网页标题 $title$ [][]\r\n", ReadFileForTest(sheet_.PagePath()));
}

TEST_F(GenerateSheetTest, TemplateWithoutPlaceholdersIsWrittenUnchanged) {
  ScopedFakeZip zip(0);
  WriteFileForTest(dir_.File("template.html"), "plain");
  EXPECT_TRUE(sheet_.GenerateSheet());
  EXPECT_EQ("plain\r\n", ReadFileForTest(sheet_.PagePath()));
}

TEST_F(GenerateSheetTest, MissingTemplateWritesNothingAndSaysWhich) {
  ScopedFakeZip zip(0);
  WriteFileForTest(out_dir() + "/1001.html", "old page");
  sheet_.SetTemplatePath(dir_.File("nowhere.html"));
  EXPECT_TRUE(sheet_.GenerateSheet());
  EXPECT_EQ("【GePaperInfo】创建文件出错，错误信息：文件不存在：" + dir_.File("nowhere.html"),
            sheet_.ErrMsg());
  EXPECT_EQ("", sheet_.PagePath());
  EXPECT_EQ("old page", ReadFileForTest(out_dir() + "/1001.html"));
  // A host that never set the template is told so.
  sheet_.SetTemplatePath("");
  EXPECT_TRUE(sheet_.GenerateSheet());
  EXPECT_EQ("【GePaperInfo】创建文件出错，错误信息：未设置页面模板（TemplatePath 为空）",
            sheet_.ErrMsg());
}

TEST_F(GenerateSheetTest, ReplacesAReadOnlyOldPage) {
  ScopedFakeZip zip(0);
  const std::string page = out_dir() + "/1001.html";
  WriteFileForTest(page, "old page");
  ::chmod(page.c_str(), 0444);
  WriteFileForTest(dir_.File("template.html"), "new");
  EXPECT_TRUE(sheet_.GenerateSheet());
  EXPECT_EQ("new\r\n", ReadFileForTest(page));
}

TEST_F(GenerateSheetTest, MissingOutputFolderKeepsNothingHalfWritten) {
  ScopedFakeZip zip(0);
  sheet_.SetHTMLPaperPath(dir_.File("missing") + "/");
  EXPECT_TRUE(sheet_.GenerateSheet());
  EXPECT_EQ("", sheet_.PagePath());
  EXPECT_EQ("【GePaperInfo】创建文件出错，错误信息：输出文件夹不存在：" + dir_.File("missing"),
            sheet_.ErrMsg());
  EXPECT_FALSE(Exists(dir_.File("missing")));
}

TEST_F(GenerateSheetTest, RefusesToWriteThePageOverThePackage) {
  ScopedFakeZip zip(0);
  sheet_.SetZipPaperName("paper.ZIP");  // no ".zip": the page keeps the name
  sheet_.SetHTMLPaperPath(dir_.path() + "/");
  WriteFileForTest(dir_.File("paper.ZIP"), "PK package bytes");
  EXPECT_TRUE(sheet_.GenerateSheet());
  EXPECT_EQ("PK package bytes", ReadFileForTest(dir_.File("paper.ZIP")));
  EXPECT_EQ(0u, sheet_.ErrMsg().rfind("【GePaperInfo】", 0)) << sheet_.ErrMsg();
  EXPECT_NE(std::string::npos, sheet_.ErrMsg().find("答案包"));
  EXPECT_EQ("", sheet_.PagePath());
}

TEST_F(GenerateSheetTest, Gb18030TemplateComesBackInGb18030) {
  ScopedFakeZip zip(0);
  const std::string utf8 = "<p>试卷·答题—$Title$</p>";
  const std::string gb = ConvertEncoding(utf8, "UTF-8", "GB18030");
  ASSERT_FALSE(IsValidUtf8(gb));
  WriteFileForTest(dir_.File("template.html"), gb);
  EXPECT_TRUE(sheet_.GenerateSheet());
  const std::string expected =
      ConvertEncoding("<p>试卷·答题—生成的网页标题</p>\r\n", "UTF-8", "GB18030");
  EXPECT_EQ(expected, ReadFileForTest(sheet_.PagePath()));
}

TEST_F(GenerateSheetTest, LaterFailuresOverwriteEarlierOnesAndSuccessKeepsThem) {
  ScopedFakeZip zip(0);
  EXPECT_TRUE(sheet_.GenerateSheet());
  // The databases are absent: the section walk is the last step to fail.
  EXPECT_EQ(0u, sheet_.ErrMsg().rfind("【SelectPaper】", 0)) << sheet_.ErrMsg();
}

class InitAnalysisConnTest : public ::testing::Test {
 protected:
  CreateHtml sheet_;
};

TEST_F(InitAnalysisConnTest, DecryptedDatabaseGetsItsConnectionString) {
  ScopedCipherFactory ciphers(
      [] { return std::make_unique<FixedCipher>(FileDecryption::kDecrypted); });
  sheet_.SetBakDataPath("C:\\bak");
  sheet_.InitAnalysisConn();
  sheet_.InitPbaseConn();
  EXPECT_EQ(
      "Provider = Microsoft.Jet.OLEDB.4.0;Data Source=C:\\bak\\Analysis.mdb;Persist Security "
      "Info=False",
      sheet_.AnalysisConn()->ConnectionString());
  EXPECT_EQ(
      "Provider = Microsoft.Jet.OLEDB.4.0;Data Source=C:\\bak\\Pbase.mdb;Persist Security "
      "Info=False",
      sheet_.PbaseConn()->ConnectionString());
  EXPECT_EQ("", sheet_.ErrMsg());
}

TEST_F(InitAnalysisConnTest, FalseAndNullAnswersReportNothingAndLeaveNoEarlierDatabase) {
  sheet_.SetBakDataPath("/earlier");
  for (const FileDecryption answer : {FileDecryption::kRefused, FileDecryption::kNull}) {
    {
      ScopedCipherFactory earlier(
          [] { return std::make_unique<FixedCipher>(FileDecryption::kDecrypted); });
      sheet_.InitAnalysisConn();
      ASSERT_NE("", sheet_.AnalysisConn()->ConnectionString());
    }
    ScopedCipherFactory ciphers([answer] { return std::make_unique<FixedCipher>(answer); });
    sheet_.SetErrMsg("kept");
    sheet_.InitAnalysisConn();
    EXPECT_EQ("kept", sheet_.ErrMsg());
    EXPECT_EQ("", sheet_.AnalysisConn()->ConnectionString());
  }
}

TEST_F(InitAnalysisConnTest, CipherFailuresAreReportedUnderTheAnalysisPrefix) {
  ScopedCipherFactory ciphers(
      [] { return std::make_unique<FixedCipher>(FileDecryption::kDecrypted, true); });
  sheet_.InitAnalysisConn();
  EXPECT_EQ("初始化Analysis数据库连接出错，详细信息：密钥错误，无法解密", sheet_.ErrMsg());

  ScopedCipherFactory none([]() -> std::unique_ptr<Cipher> { throw Error("无法创建解密组件"); });
  sheet_.InitAnalysisConn();
  EXPECT_EQ("初始化Analysis数据库连接出错，详细信息：无法创建解密组件", sheet_.ErrMsg());
}

}  // namespace
}  // namespace generatesheet
