// What a run tells of its page, on real packages: complete, written with
// errors (with the cause named), or not written; and that a reused object
// never reads an earlier student's database.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <thread>

#include "builder/package/zip_archive.h"
#include "render/incomplete_notice.h"
#include "render/paper_fixture.h"
#include "util/folder_lock.h"
#include "util/html_text.h"
#include "util/text_encoding.h"

namespace generatesheet {
namespace {

using testing::PaperTest;
using testing::ReadFileForTest;
using testing::TempDir;

class PageOutcomeTest : public PaperTest {
 protected:
  PageOutcomeTest() {
    Section(1, "88", "写作");
    Question(1, "Write about spring.", "88");
  }
  // Replaces the student's answer and score.
  void AnswerWith(const std::string& text, const std::string& got) {
    paper_.accounts.clear();
    paper_.analysis.clear();
    Answer(1, 5, text, "model essay", "analysis", 10, got);
  }
};

TEST_F(PageOutcomeTest, AWholePageIsComplete) {
  AnswerWith("甲的作文", "7");
  EXPECT_NE(std::string::npos, Generate().find("考生答案：甲的作文"));
  EXPECT_EQ(Outcome::kComplete, sheet_.PageOutcome());
  EXPECT_EQ("", sheet_.ErrMsg());
}

// Student A runs first on the object; B's package then fails to decrypt in
// one of several ways.  B's page must show nothing of A's.
TEST_F(PageOutcomeTest, AReusedObjectNeverShowsTheEarlierStudent) {
  struct Case {
    const char* name;
    std::function<void()> make_package_of_b;
    std::string err_msg_start;
  };
  const Case cases[] = {
      {"another key",
       [this] {
         TempDir other;
         WriteNewMasterKeyFile(other.File("other.key"));
         SodiumCipher stranger(ReadMasterKeyFile(other.File("other.key")));
         builder::BuildAnswerPackage(paper_, stranger, dir_.File("b/b.zip"));
       },
       "初始化Analysis数据库连接出错，详细信息：答卷数据无法解密：密钥文件不符，或答卷数据已损坏"
       "（答卷包："},
      {"a plain Access file as Analysis.mdb",
       [this] {
         builder::BuildAnswerPackage(paper_, *cipher_, dir_.File("b/b.zip"), {"aes256", false});
       },
       "初始化Analysis数据库连接出错，详细信息：答卷数据不是加密的答卷数据库，或已损坏：" +
           dir_.File("b/Analysis.mdb")},
      {"an empty Analysis.mdb",
       [this] {
         const std::string staging = dir_.File("b-staging");
         std::filesystem::create_directories(staging);
         builder::WriteDatabases(paper_, *cipher_, staging, {"", false});
         testing::WriteFileForTest(staging + "/Analysis.mdb", "");
         builder::WriteZip(
             dir_.File("b/b.zip"),
             {{"Pbase.mdb", staging + "/Pbase.mdb"}, {"Analysis.mdb", staging + "/Analysis.mdb"}},
             "qvk", "zipcrypt");
       },
       "初始化Analysis数据库连接出错，详细信息：答卷数据不是加密的答卷数据库，或已损坏：" +
           dir_.File("b/Analysis.mdb")},
      {"no Analysis.mdb",
       [this] {
         const std::string staging = dir_.File("b-staging");
         std::filesystem::create_directories(staging);
         builder::WriteDatabases(paper_, *cipher_, staging, {"", false});
         builder::WriteZip(dir_.File("b/b.zip"), {{"Pbase.mdb", staging + "/Pbase.mdb"}}, "qvk",
                           "zipcrypt");
       },
       "初始化Analysis数据库连接出错，详细信息："},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(dir_.File("b"));
    AnswerWith("甲的作文", "7");
    ASSERT_NE(std::string::npos, Generate("a").find("考生得分：7"));
    ASSERT_EQ(Outcome::kComplete, sheet_.PageOutcome());

    AnswerWith("乙的作文", "3");
    std::filesystem::create_directories(dir_.File("b"));
    c.make_package_of_b();
    sheet_.SetBakDataPath(dir_.File("b"));
    sheet_.SetZipPaperName("b.zip");
    EXPECT_TRUE(sheet_.GenerateSheet());
    ASSERT_EQ(dir_.File("pages/b.html"), sheet_.PagePath());
    const std::string page = ReadFileForTest(sheet_.PagePath());
    EXPECT_EQ(std::string::npos, page.find("甲的作文")) << page;
    EXPECT_EQ(std::string::npos, page.find("考生得分：7")) << page;
    EXPECT_NE(std::string::npos, page.find("Write about spring.")) << page;
    EXPECT_EQ(Outcome::kWrittenWithErrors, sheet_.PageOutcome());
    // The cause, not a later query on the database that never opened.
    EXPECT_EQ(0u, sheet_.ErrMsg().rfind(c.err_msg_start, 0)) << sheet_.ErrMsg();
    EXPECT_EQ("", sheet_.AnalysisConn()->ConnectionString());
  }
}

TEST_F(PageOutcomeTest, TheKeyMismatchNamesThePackageAndTheKeyFile) {
  AnswerWith("作文", "7");
  TempDir other;
  WriteNewMasterKeyFile(other.File("other.key"));
  cipher_ = std::make_unique<SodiumCipher>(ReadMasterKeyFile(other.File("other.key")));
  Generate("1001");
  EXPECT_EQ(
      "初始化Analysis数据库连接出错，详细信息：答卷数据无法解密：密钥文件不符，或答卷数据已损坏（答"
      "卷包：" +
          dir_.File("1001/1001.zip") + "，密钥文件：" + dir_.File("master.key") + "）",
      sheet_.ErrMsg());
  EXPECT_EQ(Outcome::kWrittenWithErrors, sheet_.PageOutcome());
}

// A server runs two objects with two master keys at once; the environment
// names a third key that fits neither package.
TEST_F(PageOutcomeTest, TwoObjectsWithTheirOwnKeysRunAtOnce) {
  struct Student {
    std::string id, essay, key_file;
    CreateHtml sheet;
  } students[2];
  students[0].id = "1001";
  students[0].essay = "甲的作文";
  students[1].id = "1002";
  students[1].essay = "乙的作文";
  for (Student& s : students) {
    s.key_file = dir_.File(s.id + ".key");
    WriteNewMasterKeyFile(s.key_file);
    SodiumCipher cipher(ReadMasterKeyFile(s.key_file));
    paper_.student_id = s.id;
    AnswerWith(s.essay, "7");
    std::filesystem::create_directories(dir_.File(s.id));
    builder::BuildAnswerPackage(paper_, cipher, dir_.File(s.id + "/" + s.id + ".zip"));
    s.sheet.SetKeyFile(s.key_file);
    s.sheet.SetBakDataPath(dir_.File(s.id));
    s.sheet.SetZipPaperName(s.id + ".zip");
    s.sheet.SetStudentID(s.id);
    s.sheet.SetTemplatePath(dir_.File("template.html"));
    s.sheet.SetHTMLPaperPath(dir_.File("pages") + "/");
  }
  std::atomic<int> ready{0};
  auto run = [&ready](Student& s) {
    ++ready;
    while (ready < 2) std::this_thread::yield();
    s.sheet.GenerateSheet();
  };
  std::thread first(run, std::ref(students[0]));
  std::thread second(run, std::ref(students[1]));
  first.join();
  second.join();
  for (const Student& s : students) {
    SCOPED_TRACE(s.id);
    EXPECT_EQ(s.key_file, s.sheet.KeyFile());
    EXPECT_EQ(Outcome::kComplete, s.sheet.PageOutcome()) << s.sheet.ErrMsg();
    ASSERT_EQ(dir_.File("pages/" + s.id + ".html"), s.sheet.PagePath());
    const std::string page = ReadFileForTest(s.sheet.PagePath());
    EXPECT_NE(std::string::npos, page.find("考生答案：" + s.essay)) << page;
  }
  // Without its own key file an object reads the environment's, which fits
  // neither package.
  CreateHtml unset;
  unset.SetBakDataPath(dir_.File("1001"));
  unset.SetZipPaperName("1001.zip");
  unset.SetStudentID("1001");
  unset.SetTemplatePath(dir_.File("template.html"));
  unset.SetHTMLPaperPath(dir_.File("pages") + "/");
  unset.GenerateSheet();
  EXPECT_EQ(Outcome::kWrittenWithErrors, unset.PageOutcome());
  EXPECT_NE(std::string::npos, unset.ErrMsg().find("密钥文件：" + dir_.File("master.key")))
      << unset.ErrMsg();
}

TEST_F(PageOutcomeTest, AnotherStudentNumberIsNamedAsTheCause) {
  AnswerWith("作文", "7");
  sheet_.SetStudentID("1002");
  const std::string page = Generate();
  EXPECT_TRUE(generated_);
  EXPECT_NE(std::string::npos, page.find("Write about spring."));
  EXPECT_EQ(std::string::npos, page.find("考生答案：作文"));
  EXPECT_EQ(Outcome::kWrittenWithErrors, sheet_.PageOutcome());
  // The answer rows failed after the header; the header's cause is kept.
  EXPECT_EQ(
      0u, sheet_.ErrMsg().rfind("【GetPaperTotleInfo】获取试卷的标题信息出错，错误信息：学号“1002”"
                                "与此答卷包不符：第 1 题的得分无法用这个学号解密",
                                0))
      << sheet_.ErrMsg();
}

TEST_F(PageOutcomeTest, APaperWithNoQuestionSuggestsTheSubject) {
  // A fundamentals paper under another subject: no section matches.
  paper_.question_types.clear();
  paper_.titles.clear();
  Section(1, "", "选择题", 5, "choose.exe");
  Question(1, "CPU是", "", "", 5);
  AnswerWith("1", "2");
  sheet_.SetSubject("计算机基础");
  const std::string page = Generate();
  EXPECT_EQ(Header("2"), page);
  EXPECT_EQ(Outcome::kWrittenWithErrors, sheet_.PageOutcome());
  EXPECT_EQ(
      "【SelectPaper】生成选择题体面信息出错，错误信息：试卷中没有生成任何试题：请检查科目“计算机基"
      "础"
      "”是否与这份答卷包的试卷相符",
      sheet_.ErrMsg());
  EXPECT_EQ(FailureKind::kNoSection, sheet_.Failure().kind);
  EXPECT_EQ("SelectPaper", sheet_.Failure().step);
  EXPECT_EQ(sheet_.ErrMsg(), sheet_.Failure().message);
}

// Each way a run falls short has its kind, its step and the file at fault,
// so a program can act without reading the Chinese message.
TEST_F(PageOutcomeTest, TheFailureTellsItsKindStepAndFile) {
  AnswerWith("作文", "7");
  Generate("1001");
  ASSERT_EQ(Outcome::kComplete, sheet_.PageOutcome());
  EXPECT_EQ(FailureKind::kNone, sheet_.Failure().kind);
  EXPECT_EQ("", sheet_.Failure().message);
  const std::string folder = dir_.File("1001");
  testing::WriteFileForTest(folder + "/plain.zip", "not a zip at all");
  builder::WriteZip(folder + "/evil.zip", {builder::ZipEntry::File("../evil.mdb", "x")});
  TempDir other;
  WriteNewMasterKeyFile(other.File("other.key"));
  struct Case {
    const char* name;
    std::function<void(CreateHtml&)> arrange;
    FailureKind kind;
    std::string step;
    std::string file;
  };
  const Case cases[] = {
      {"missing package", [](CreateHtml& s) { s.SetZipPaperName("gone.zip"); },
       FailureKind::kPackageMissing, "Unzip", folder + "/gone.zip"},
      {"not a zip", [](CreateHtml& s) { s.SetZipPaperName("plain.zip"); }, FailureKind::kNotAZip,
       "Unzip", folder + "/plain.zip"},
      {"entry outside the folder", [](CreateHtml& s) { s.SetZipPaperName("evil.zip"); },
       FailureKind::kRefusedEntry, "Unzip", folder + "/evil.zip"},
      {"another key", [&](CreateHtml& s) { s.SetKeyFile(other.File("other.key")); },
       FailureKind::kKeyMismatch, "InitAnalysisConn", folder + "/1001.zip"},
      {"another student", [](CreateHtml& s) { s.SetStudentID("1002"); },
       FailureKind::kStudentMismatch, "GetPaperTotleInfo", folder + "/1001.zip"},
      {"missing template", [this](CreateHtml& s) { s.SetTemplatePath(dir_.File("none.html")); },
       FailureKind::kTemplate, "GePaperInfo", dir_.File("none.html")},
      {"missing output folder",
       [this](CreateHtml& s) { s.SetHTMLPaperPath(dir_.File("no-such-folder") + "/"); },
       FailureKind::kWrite, "GePaperInfo", dir_.File("no-such-folder")},
      {"no template set", [](CreateHtml& s) { s.SetTemplatePath(""); }, FailureKind::kTemplate,
       "GePaperInfo", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CreateHtml sheet;
    sheet.SetBakDataPath(folder);
    sheet.SetZipPaperName("1001.zip");
    sheet.SetStudentID("1001");
    sheet.SetTemplatePath(dir_.File("template.html"));
    sheet.SetHTMLPaperPath(dir_.File("pages") + "/");
    c.arrange(sheet);
    const bool extracted = sheet.GenerateSheet();
    const RunFailure& failure = sheet.Failure();
    EXPECT_EQ(c.kind, failure.kind) << failure.message;
    EXPECT_EQ(c.step, failure.step);
    EXPECT_EQ(c.file, failure.file);
    EXPECT_NE(Outcome::kComplete, sheet.PageOutcome());
    // The description is the message without its procedure's prefix.
    EXPECT_FALSE(failure.description.empty());
    EXPECT_TRUE(failure.message.ends_with(failure.description)) << failure.message;
    EXPECT_EQ(std::string::npos, failure.description.find("错误信息：")) << failure.description;
    // Only a failed extraction's message has no prefix to leave out.
    EXPECT_EQ(!extracted, failure.message == failure.description);
    if (extracted) {
      EXPECT_EQ(sheet.ErrMsg(), failure.message);
      // (The student number's message names the number, not the package.)
      if (c.kind != FailureKind::kStudentMismatch) {
        EXPECT_NE(std::string::npos, failure.message.find(c.file)) << failure.message;
      }
    } else {
      EXPECT_EQ("", sheet.ErrMsg());
      EXPECT_NE(std::string::npos, failure.message.find(c.file)) << failure.message;
    }
  }
}

// A package that brings a .zip, and a .html beside a page written into the
// package's own folder, runs again in the same folder: the files its first
// run extracted are left in place.  Other bytes under those names would
// replace a package or a page, and stay refused.
TEST_F(PageOutcomeTest, APackageRunsAgainOverTheFilesItExtractedItself) {
  AnswerWith("作文", "7");
  const std::string bak = dir_.File("again");
  const std::string staging = dir_.File("again-staging");
  std::filesystem::create_directories(bak);
  std::filesystem::create_directories(staging);
  builder::WriteDatabases(paper_, *cipher_, staging);
  auto pack = [&](const std::string& inner, const std::string& notes) {
    testing::WriteFileForTest(staging + "/inner.zip", inner);
    testing::WriteFileForTest(staging + "/notes.html", notes);
    std::filesystem::remove(bak + "/again.zip");
    builder::WriteZip(bak + "/again.zip",
                      {{"Pbase.mdb", staging + "/Pbase.mdb"},
                       {"Analysis.mdb", staging + "/Analysis.mdb"},
                       {"inner.zip", staging + "/inner.zip"},
                       {"notes.html", staging + "/notes.html"}},
                      "qvk", "aes256");
  };
  pack("PK inner", "<p>notes</p>");
  sheet_.SetHTMLPaperPath(bak + "/");
  ino_t inner_inode = 0;
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    EXPECT_NE(std::string::npos, Run("again").find("考生答案：作文"));
    EXPECT_TRUE(generated_);
    EXPECT_EQ(Outcome::kComplete, sheet_.PageOutcome()) << sheet_.Failure().message;
    EXPECT_EQ(bak + "/again.html", sheet_.PagePath());
    EXPECT_EQ("PK inner", ReadFileForTest(bak + "/inner.zip"));
    EXPECT_EQ("<p>notes</p>", ReadFileForTest(bak + "/notes.html"));
    struct stat info;
    ASSERT_EQ(0, ::stat((bak + "/inner.zip").c_str(), &info));
    if (run == 1) inner_inode = info.st_ino;
    EXPECT_EQ(inner_inode, info.st_ino);  // the same file, not a copy
  }
  struct Change {
    std::string inner, notes, named;
  };
  const Change changes[] = {
      {"PK other", "<p>notes</p>",
       "inner.zip（条目会覆盖文件夹中已有的答卷包（.zip 文件）：" + bak + "/inner.zip）"},
      {"PK inner", "<p>forged</p>",
       "notes.html（条目会覆盖生成的页面所在文件夹中已有的 .html 文件：" + bak + "/notes.html）"},
      {"PK inner!", "<p>notes</p>", "inner.zip（条目会覆盖"},  // a byte more
  };
  for (const Change& c : changes) {
    SCOPED_TRACE(c.named);
    pack(c.inner, c.notes);
    Run("again");
    EXPECT_FALSE(generated_);
    EXPECT_EQ(FailureKind::kRefusedEntry, sheet_.Failure().kind);
    EXPECT_NE(std::string::npos, sheet_.Failure().message.find(c.named))
        << sheet_.Failure().message;
    EXPECT_EQ("PK inner", ReadFileForTest(bak + "/inner.zip"));
    EXPECT_EQ("<p>notes</p>", ReadFileForTest(bak + "/notes.html"));
  }
}

// With the notice asked for, a page written with errors opens its content
// with a notice of what it lacks, why and what to do, escaped, and is
// otherwise the page made without it; a complete page is the same byte for
// byte with the notice on or off.
TEST_F(PageOutcomeTest, TheNoticeOpensEveryPageWithErrorsAndNoCompletePage) {
  AnswerWith("作文", "7");
  const std::string whole = Generate();
  ASSERT_EQ(Outcome::kComplete, sheet_.PageOutcome());
  sheet_.SetIncompleteNotice(true);
  EXPECT_EQ(whole, Generate());
  EXPECT_EQ(Outcome::kComplete, sheet_.PageOutcome());

  TempDir other;
  WriteNewMasterKeyFile(other.File("other.key"));
  SodiumCipher stranger(ReadMasterKeyFile(other.File("other.key")));
  const std::string no_advice;
  struct Case {
    const char* name;
    std::function<std::string()> page;  // the page as a run with the notice on leaves it
    std::string cause;                  // as the notice shows it
    Remedy remedy;
    const char* remedy_named;  // what the advice must name
  };
  const Case cases[] = {
      {"another key",
       [&] {
         builder::BuildAnswerPackage(paper_, stranger, dir_.File("k/k.zip"));
         sheet_.SetBakDataPath(dir_.File("k"));
         sheet_.SetZipPaperName("k.zip");
         sheet_.GenerateSheet();
         return ReadFileForTest(sheet_.PagePath());
       },
       "答卷数据无法解密：密钥文件不符，或答卷数据已损坏（答卷包：" + dir_.File("k/k.zip") +
           "，密钥文件：" + dir_.File("master.key") + "）",
       Remedy::kKeyOrPackage, "--key-file"},
      {"a missing key file",
       [&] {
         sheet_.SetKeyFile(dir_.File("gone.key"));
         const std::string page = Generate("m");
         sheet_.SetKeyFile("");
         return page;
       },
       "无法读取主密钥文件：" + dir_.File("gone.key") + "：文件不存在", Remedy::kKeyFile,
       "--key-file"},
      {"a plain Analysis.mdb",
       [&] {
         builder::BuildAnswerPackage(paper_, *cipher_, dir_.File("p/p.zip"), {"aes256", false});
         sheet_.SetBakDataPath(dir_.File("p"));
         sheet_.SetZipPaperName("p.zip");
         sheet_.GenerateSheet();
         return ReadFileForTest(sheet_.PagePath());
       },
       "答卷数据不是加密的答卷数据库，或已损坏：" + dir_.File("p/Analysis.mdb"), Remedy::kPackage,
       "重新取得这名考生的答卷包"},
      {"another student number",
       [&] {
         sheet_.SetStudentID("1002");
         const std::string page = Generate("s");
         sheet_.SetStudentID("1001");
         return page;
       },
       "学号“1002”与此答卷包不符：第 1 题的得分无法用这个学号解密（学号无误时，则是答卷包的数据不"
       "是用此密钥加密的）",
       Remedy::kStudentNumber, "核对学号"},
      {"a question without its answer row",
       [&] {
         Question(2, "Another essay.", "88");
         const std::string page = Generate("q");
         paper_.titles.pop_back();
         return page;
       },
       "答案库中没有第 2 题的作答记录", Remedy::kReportThePart, "转告生成页面的人员"},
      {"a subject that selects no section",
       [&] {
         // A fundamentals paper under another subject, one with markup.
         const auto sections = paper_.question_types;
         paper_.question_types.clear();
         Section(1, "", "选择题", 5, "choose.exe");
         sheet_.SetSubject("<b>计算机</b>");
         const std::string page = Generate("n");
         sheet_.SetSubject("英语");
         paper_.question_types = sections;
         return page;
       },
       "试卷中没有生成任何试题：请检查科目“&lt;b&gt;计算机&lt;/b&gt;”是否与这份答卷包的试卷相符",
       Remedy::kSubject, "改正科目"},
  };
  // Every row of the advice table is met by a case.
  for (const RemedyAdvice& row : kRemedyAdvice) {
    EXPECT_TRUE(std::any_of(std::begin(cases), std::end(cases), [&](const Case& c) {
      return c.remedy == row.remedy;
    })) << row.advice;
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sheet_.SetIncompleteNotice(false);
    std::string without = c.page();
    ASSERT_EQ(Outcome::kWrittenWithErrors, sheet_.PageOutcome()) << sheet_.ErrMsg();
    const std::string err_msg = sheet_.ErrMsg();
    sheet_.SetIncompleteNotice(true);
    const std::string with = c.page();
    EXPECT_EQ(Outcome::kWrittenWithErrors, sheet_.PageOutcome());
    EXPECT_EQ(err_msg, sheet_.ErrMsg());
    ASSERT_TRUE(with.ends_with(without) && with.size() > without.size()) << with;
    const std::string notice = with.substr(0, with.size() - without.size());
    EXPECT_TRUE(notice.starts_with("<div class='incomplete' ")) << notice;
    EXPECT_TRUE(notice.ends_with("</div>")) << notice;
    const std::string advice(AdviceFor(c.remedy));
    EXPECT_NE(std::string::npos, advice.find(c.remedy_named)) << advice;
    EXPECT_NE(std::string::npos,
              notice.find(">此页面不完整：" + c.cause + "。" + EscapeHtml(advice) + "。</div>"))
        << notice;
    EXPECT_EQ(std::string::npos, notice.find("【")) << "a procedure's name: " << notice;
  }
}

TEST_F(PageOutcomeTest, ATemplateWithoutContentGivesAPageWithErrors) {
  AnswerWith("作文", "7");
  testing::WriteFileForTest(dir_.File("template.html"), "<p>$Title$</p>");
  EXPECT_EQ("<p>生成的网页标题</p>", Generate());
  EXPECT_EQ(Outcome::kWrittenWithErrors, sheet_.PageOutcome());
  EXPECT_EQ("【GePaperInfo】创建文件出错，错误信息：模板中没有 \"$Content$\"，页面不含试卷内容：" +
                dir_.File("template.html"),
            sheet_.ErrMsg());
}

// A template in UTF-32 is refused, naming the file, rather than read as
// UTF-16 (its little-endian mark opens with UTF-16's); UTF-16 itself is read
// and the page written back in it.
TEST_F(PageOutcomeTest, AUtf32TemplateIsRefusedAndUtf16Read) {
  AnswerWith("作文", "7");
  struct Case {
    const char* name;
    const char* encoding;
    std::string mark;
  };
  const Case cases[] = {
      {"UTF-32LE", "UTF-32LE", std::string("\xFF\xFE\0\0", 4)},
      {"UTF-32BE", "UTF-32BE", std::string("\0\0\xFE\xFF", 4)},
      {"UTF-16LE", "UTF-16LE", "\xFF\xFE"},
      {"UTF-16BE", "UTF-16BE", "\xFE\xFF"},
  };
  const std::string text = "<p>$Title$</p>$Content$";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir_.File(std::string(c.name) + ".html");
    testing::WriteFileForTest(path, c.mark + ConvertEncoding(text, "UTF-8", c.encoding));
    sheet_.SetTemplatePath(path);
    sheet_.SetErrMsg("");
    const std::string page = Generate();
    if (std::string(c.encoding).starts_with("UTF-32")) {
      EXPECT_EQ("", page);
      EXPECT_EQ(Outcome::kNotWritten, sheet_.PageOutcome());
      EXPECT_EQ(
          "【GePaperInfo】创建文件出错，错误信息：模板的编码是 UTF-32，无法读取（请存为 "
          "UTF-8）：" +
              path,
          sheet_.ErrMsg());
    } else {
      EXPECT_EQ(Outcome::kComplete, sheet_.PageOutcome()) << sheet_.ErrMsg();
      const std::string utf8 = ConvertEncoding(page.substr(c.mark.size()), c.encoding, "UTF-8");
      EXPECT_TRUE(page.starts_with(c.mark));
      EXPECT_TRUE(utf8.starts_with("<p>生成的网页标题</p><div class='paperTitle'>")) << utf8;
      EXPECT_NE(std::string::npos, utf8.find("考生答案：作文"));
    }
    std::filesystem::remove_all(dir_.File("pages"));
    std::filesystem::create_directory(dir_.File("pages"));
  }
}

TEST_F(PageOutcomeTest, NoPageIsNotWritten) {
  AnswerWith("作文", "7");
  sheet_.SetHTMLPaperPath(dir_.File("missing") + "/");
  EXPECT_EQ("", Generate());
  EXPECT_TRUE(generated_);
  EXPECT_EQ(Outcome::kNotWritten, sheet_.PageOutcome());
  EXPECT_EQ(0u, sheet_.ErrMsg().rfind("【GePaperInfo】", 0)) << sheet_.ErrMsg();
}

TEST_F(PageOutcomeTest, ARunWaitsForTheFolderLockOfAnother) {
  AnswerWith("作文", "7");
  ASSERT_NE("", Generate("1001"));
  std::filesystem::remove(sheet_.PagePath());
  std::atomic<bool> done = false;
  std::optional<FolderLock> held;
  held.emplace(dir_.File("1001"), std::chrono::milliseconds(0));
  ASSERT_TRUE(held->locked());
  EXPECT_THROW(FolderLock(dir_.File("1001"), std::chrono::milliseconds(0)), Error);
  std::thread run([&] {
    sheet_.GenerateSheet();
    done = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(done);
  EXPECT_FALSE(std::filesystem::exists(dir_.File("pages/1001.html")));
  held.reset();
  run.join();
  EXPECT_EQ(Outcome::kComplete, sheet_.PageOutcome()) << sheet_.ErrMsg();
}

}  // namespace
}  // namespace generatesheet
