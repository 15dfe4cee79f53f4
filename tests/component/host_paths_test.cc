// Paths as the component's hosts write them: "\" separates folders as "/"
// does, in every path a host gives, on a real package.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "render/paper_fixture.h"

namespace generatesheet {
namespace {

using testing::PaperTest;
using testing::ReadFileForTest;
using testing::WriteFileForTest;

// `path` with every "/" written as "\".
std::string AllBackslashes(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// Every name under `folder` that holds a "\" (a file or folder made by
// taking a "\" as part of a name).
std::vector<std::string> NamesWithBackslash(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.find('\\') != std::string::npos) names.push_back(name);
  }
  return names;
}

class HostPathsTest : public PaperTest {
 protected:
  HostPathsTest() {
    // Only the object's KeyFile names the key.
    ::unsetenv(kKeyFileEnvironmentVariable);
    Section(1, "88", "写作");
    Question(1, "q", "88");
    Answer(1, 4, "答", "t", "a", 1, "1");
    for (const char* folder : {"h1", "h1out", "logs"}) {
      std::filesystem::create_directories(dir_.File(folder));
    }
    builder::BuildAnswerPackage(paper_, *cipher_, dir_.File("h1/1001.zip"));
    WriteFileForTest(dir_.File("tpl.html"), "<p>$Content$</p>");
    sheet_.SetZipPaperName("1001.zip");
  }
};

// Each property in the form an old host gives it; the others with "/".
struct HostPathsCase {
  const char* name;
  bool bak, out, tpl, key, log;  // which ones use "\"
  bool every_separator;          // "\" for every "/" of the path, not only the last
};

TEST_F(HostPathsTest, BackslashSeparatesFoldersInEveryHostPath) {
  const std::string w = dir_.path();
  const HostPathsCase cases[] = {
      {"BakDataPath W\\h1", true, false, false, false, false, false},
      {"HTMLPaperPath W\\h1out\\", false, true, false, false, false, false},
      {"TemplatePath W\\tpl.html", false, false, true, false, false, false},
      {"KeyFile W\\master.key", false, false, false, true, false, false},
      {"LogFolder W\\logs", false, false, false, false, true, false},
      {"all of them, written with \\ alone", true, true, true, true, true, true},
  };
  for (const HostPathsCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto form = [&](bool backslash, const std::string& name) {
      if (!backslash) return w + "/" + name;
      return (c.every_separator ? AllBackslashes(w) : w) + "\\" + name;
    };
    std::filesystem::remove(dir_.File("h1out/1001.html"));
    std::filesystem::remove(dir_.File("logs/syslog.txt"));
    sheet_.SetBakDataPath(form(c.bak, "h1"));
    sheet_.SetHTMLPaperPath(form(c.out, "h1out") + (c.out ? "\\" : "/"));
    sheet_.SetTemplatePath(form(c.tpl, "tpl.html"));
    sheet_.SetKeyFile(form(c.key, "master.key"));
    sheet_.SetLogFolder(form(c.log, "logs"));
    sheet_.SetErrMsg("");

    EXPECT_TRUE(sheet_.GenerateSheet());
    EXPECT_EQ("", sheet_.ErrMsg());
    EXPECT_EQ(Outcome::kComplete, sheet_.PageOutcome());
    ASSERT_EQ(dir_.File("h1out/1001.html"), sheet_.PagePath());
    EXPECT_NE(std::string::npos, ReadFileForTest(sheet_.PagePath()).find("考生答案：答"));
    // The connection strings keep the host's form byte for byte.
    EXPECT_EQ("Provider = Microsoft.Jet.OLEDB.4.0;Data Source=" + sheet_.BakDataPath() +
                  "\\Pbase.mdb;Persist Security Info=False",
              sheet_.PbaseConn()->ConnectionString());
    sheet_.WriteLog("line");
    EXPECT_EQ("line\r\n", ReadFileForTest(dir_.File("logs/syslog.txt")));
    EXPECT_EQ(std::vector<std::string>{}, NamesWithBackslash(w));
  }

  // A page folder without its final "\" is a prefix of the page's name,
  // as "D:\out" with x.zip writes "D:\outx.html".
  std::filesystem::remove(dir_.File("h1out/1001.html"));
  sheet_.SetHTMLPaperPath(AllBackslashes(w) + "\\h1out");
  EXPECT_TRUE(sheet_.GenerateSheet());
  EXPECT_EQ(Outcome::kComplete, sheet_.PageOutcome());
  EXPECT_EQ(w + "/h1out1001.html", sheet_.PagePath());
  EXPECT_TRUE(std::filesystem::is_regular_file(dir_.File("h1out1001.html")));
  EXPECT_EQ(std::vector<std::string>{}, NamesWithBackslash(w));

  // A host's own connection, and Delfile, take the same form.
  Connection own;
  own.Open("Provider = Microsoft.Jet.OLEDB.4.0;Data Source=" + AllBackslashes(w) +
           "\\h1\\Pbase.mdb;Persist Security Info=False");
  EXPECT_TRUE(own.IsOpen());
  WriteFileForTest(dir_.File("del.txt"), "x");
  std::string del = w + "\\del.txt";
  sheet_.Delfile(del);
  EXPECT_FALSE(std::filesystem::exists(dir_.File("del.txt")));
}

// The package name stays a bare file name, whichever separator it holds.
TEST_F(HostPathsTest, APackageNameWithASeparatorIsRefused) {
  sheet_.SetBakDataPath(dir_.path());
  sheet_.SetTemplatePath(dir_.File("tpl.html"));
  sheet_.SetHTMLPaperPath(dir_.File("h1out/"));
  sheet_.SetKeyFile(dir_.File("master.key"));
  for (const char* name : {"h1\\1001.zip", "h1/1001.zip"}) {
    SCOPED_TRACE(name);
    sheet_.SetZipPaperName(name);
    EXPECT_FALSE(sheet_.GenerateSheet());
    EXPECT_NE(std::string::npos, sheet_.ErrMsg().find("答卷包名称必须是不含路径的文件名"))
        << sheet_.ErrMsg();
    EXPECT_EQ("", sheet_.PagePath());
  }
}

}  // namespace
}  // namespace generatesheet
