// generate-sheet batch through the program: many students, failures,
// resume after a kill, shards.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <thread>
#include <tuple>

#include "tools/archive/archive_manifest.h"
#include "tools/archive/summary_files_lock.h"
#include "tools/cli_fixture.h"
#include "tools/summary_files.h"
#include "util/file_descriptor.h"
#include "util/folder_lock.h"
#include "util/text_encoding.h"

namespace generatesheet::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class BatchCommandTest : public CliTest {
 protected:
  // `count` students, each with a copy of one real package in its own
  // folder s000/s000.zip ...; the rows whose numbers are in `broken` get a
  // package that is not a zip archive.
  std::string Manifest(size_t count, const std::set<size_t>& broken = {}) {
    const std::string original = MakePackage("original", "original.zip", "1001");
    std::ofstream csv(dir_.File("students.csv"), std::ios::binary);
    csv << "package_folder,zip_name,student_id,student_name,subject\r\n";
    for (size_t i = 0; i < count; ++i) {
      const std::string name = Name(i);
      fs::create_directories(dir_.File("exam/" + name));
      if (broken.count(i)) {
        WriteFileForTest(dir_.File("exam/" + name + "/" + name + ".zip"), "PK broken");
      } else {
        fs::copy_file(original + "/original.zip", dir_.File("exam/" + name + "/" + name + ".zip"));
      }
      // Every package was made for student 1001, whose number its answers
      // are encrypted with.
      csv << "exam/" << name << "," << name << ".zip,1001,\"学生 " << i << ", 一班\",英语\r\n";
    }
    return dir_.File("students.csv");
  }
  static std::string Name(size_t i) {
    char name[24];
    std::snprintf(name, sizeof name, "s%03zu", i);
    return name;
  }
  std::set<std::string> FilesIn(const std::string& folder) const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_.File(folder))) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }
  // The pages of `count` students with their results files, and the class
  // summary when `summary`.
  static std::set<std::string> ExpectedPages(size_t count, bool summary = true) {
    std::set<std::string> names;
    for (size_t i = 0; i < count; ++i) {
      names.insert(Name(i) + ".html");
      names.insert(Name(i) + ".results.json");
    }
    if (summary)
      names.insert({"index.html", "summary.csv", "items.csv", "scores.csv", "summary.json",
                    "summary.xlsx", "MANIFEST.json"});
    return names;
  }
  json Report(const std::string& name) const {
    return json::parse(ReadFileForTest(dir_.File(name)));
  }
};

TEST_F(BatchCommandTest, TwoHundredStudentsOneBrokenPackage) {
  const std::string manifest = Manifest(200, {57});
  const CliResult r = Cli({"batch", manifest, "--out", "pages", "--jobs", "4", "--report",
                           "report.json", "--key-file", key_file_});
  EXPECT_EQ(r.exit_code, 1) << r.err;
  std::set<std::string> expected = ExpectedPages(200);
  expected.erase("s057.html");  // its results file tells it was not written
  EXPECT_EQ(FilesIn("pages"), expected);

  const json report = Report("report.json");
  EXPECT_EQ(report["total"], 200);
  EXPECT_EQ(report["complete"], 199);
  EXPECT_EQ(report["with_errors"], 0);
  EXPECT_EQ(report["not_written"], 1);
  ASSERT_EQ(report["students"].size(), 200u);
  for (size_t i = 0; i < 200; ++i) {
    const json& s = report["students"][i];
    EXPECT_EQ(s["row"], i);
    EXPECT_EQ(s["line"], i + 2);
    EXPECT_EQ(s["student_name"], "学生 " + std::to_string(i) + ", 一班");
    if (i == 57) {
      EXPECT_EQ(s["status"], "not_written");
      EXPECT_TRUE(s["page"].is_null());
      EXPECT_EQ(s["error"], "答卷包不是 zip 文件：" + dir_.File("exam/s057/s057.zip"));
    } else {
      EXPECT_EQ(s["status"], "complete");
      EXPECT_EQ(s["page"], "pages/" + Name(i) + ".html");
      EXPECT_TRUE(s["error"].is_null());
    }
  }
  // Progress lines (stderr is not a terminal), the summary and the failure.
  EXPECT_NE(r.err.find("进度 200/200，失败 1，"), std::string::npos) << r.err;
  // Where the output is, the only line on stdout.
  EXPECT_EQ(r.out, "打开 " + dir_.File("pages/index.html") + "\n");
  EXPECT_NE(r.err.find("完整 199 页，有错误 0 页，未写出 1 页，跳过 0 页\n"), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("未写出：清单第 59 行（学号 1001，学生 57, 一班）：答卷包不是 zip 文件："),
            std::string::npos)
      << r.err;
  const std::string page = ReadFileForTest(dir_.File("pages/s199.html"));
  EXPECT_NE(page.find("姓名：学生 199, 一班"), std::string::npos);
  EXPECT_NE(page.find("考生答案：B &nbsp;&nbsp;标准答案：B"), std::string::npos);
}

TEST_F(BatchCommandTest, ResumeAfterKillLeavesEveryPageOnceAndNoPartialFile) {
  const size_t kCount = 200;
  const std::string manifest = Manifest(kCount);
  // One worker, so the run is still going when it is killed.
  const pid_t pid = SpawnCli(
      {"batch", manifest, "--out", "pages", "--jobs", "1", "--key-file", key_file_}, dir_.path());
  ASSERT_GT(pid, 0);
  // Kill it half-way, once some pages are there.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  size_t pages = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    pages = fs::exists(dir_.File("pages")) ? FilesIn("pages").size() : 0;
    if (pages >= 80) break;  // a page and its results file each
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_EQ(::kill(pid, SIGKILL), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the batch ended before it could be killed";
  // What a kill in the middle of writing a page leaves behind.
  WriteFileForTest(dir_.File("pages/.s199.html.tmp-AbC123"), "<html><body>half a pa");
  WriteFileForTest(dir_.File("pages/.s199.results.json.tmp-AbC123"), "{\"student");
  // And in package folders: a staging folder and a decrypted database, in
  // the folder of a student whose page is done (s000, skipped below) and of
  // one still to come.
  for (const char* folder : {"exam/s000/", "exam/s199/"}) {
    WriteFileForTest(dir_.File(std::string(folder) + ".Analysis.mdb.tmp-XyZ789"), "answers");
    fs::create_directory(dir_.File(std::string(folder) + ".unzip-0123456789ab"));
    WriteFileForTest(dir_.File(std::string(folder) + ".unzip-0123456789ab/0"), "bank");
  }

  const CliResult r = Cli({"batch", manifest, "--out", "pages", "--jobs", "2", "--resume",
                           "--report", "report.json", "--key-file", key_file_});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  std::set<std::string> unexpected;
  std::ranges::set_symmetric_difference(FilesIn("pages"), ExpectedPages(kCount),
                                        std::inserter(unexpected, unexpected.end()));
  EXPECT_EQ(unexpected, std::set<std::string>());  // no *.tmp* leftover either
  for (size_t i = 0; i < kCount; ++i) {
    for (const std::string& name : FilesIn("exam/" + Name(i))) {
      EXPECT_EQ(name.find(".tmp-"), std::string::npos) << Name(i) << "/" << name;
      EXPECT_FALSE(name.starts_with(".unzip-")) << Name(i) << "/" << name;
    }
  }
  const json report = Report("report.json");
  EXPECT_EQ(report["not_written"], 0);
  EXPECT_GE(report["skipped"].get<size_t>(), 30u);
  EXPECT_EQ(report["skipped"].get<size_t>() + report["complete"].get<size_t>(), kCount);
  for (size_t i = 0; i < kCount; ++i) {
    const std::string page = ReadFileForTest(dir_.File("pages/" + Name(i) + ".html"));
    ASSERT_TRUE(page.ends_with("</html>\n\r\n")) << Name(i);
  }
  // The summary still lists every student, skipped or not, with a score.
  const std::string csv = ReadFileForTest(dir_.File("pages/summary.csv"));
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), static_cast<long>(kCount) + 1);
  // Every student has a score (the z and T scores of equal totals are
  // empty: they have no spread).
  const std::vector<std::string> lines = CsvLines(csv);
  for (size_t i = 1; i < lines.size(); ++i) {
    EXPECT_FALSE(Fields(lines[i]).at(3).empty()) << "a student without a score: " << lines[i];
  }
  // The archive manifest covers the whole class, skipped pages included.
  const json archive = json::parse(ReadFileForTest(dir_.File("pages/MANIFEST.json")));
  EXPECT_EQ(archive["students"].size(), kCount);
  EXPECT_EQ(archive["files"].size(), ExpectedPages(kCount).size() - 1);
  const CliResult verify = Cli({"verify", "pages"});
  EXPECT_EQ(verify.exit_code, 0) << verify.out << verify.err;
}

// SIGINT or SIGTERM in the middle of a batch: the pages in flight are
// finished, the report and the class summary of what is done are written,
// the batch says how far it came and ends with 128 + the signal; no file is
// left half-written, and --resume does the rest.
TEST_F(BatchCommandTest, AnInterruptedBatchWritesWhatIsDoneAndTellsHowToGoOn) {
  const size_t kCount = 80;
  const std::string manifest = Manifest(kCount);
  const std::pair<int, int> cases[] = {{SIGINT, 130}, {SIGTERM, 143}};
  size_t done = 0;
  for (const auto& [signal, exit_code] : cases) {
    SCOPED_TRACE(signal);
    fs::remove_all(dir_.File("pages"));
    const std::string err = dir_.File("err" + std::to_string(signal));
    const pid_t pid = SpawnCli({"batch", manifest, "--out", "pages", "--jobs", "1", "--report",
                                "report.json", "--key-file", key_file_},
                               dir_.path(), {}, err);
    ASSERT_GT(pid, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline &&
           (!fs::exists(dir_.File("pages")) || FilesIn("pages").size() < 16)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(::kill(pid, signal), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), exit_code);

    const json report = Report("report.json");
    done = report["complete"].get<size_t>();
    ASSERT_GE(done, 8u);
    ASSERT_LT(done, kCount) << "the batch ended before the signal came";
    EXPECT_EQ(report["not_run"], kCount - done);
    EXPECT_EQ(report["not_written"], 0);
    const std::vector<std::string> lines = Lines(ReadFileForTest(err));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "已中断：完成 " + std::to_string(done) + " / " +
                                std::to_string(kCount) + " 页；用 --resume 继续");
    // The signal is told at once, with the pages still in flight (one
    // worker: its page, or none between two).
    const auto stopping = std::ranges::find_if(lines, [](const std::string& line) {
      return line == "正在停止：等待进行中的 1 页完成…" ||
             line == "正在停止：等待进行中的 0 页完成…";
    });
    EXPECT_NE(stopping, lines.end()) << ReadFileForTest(err);
    EXPECT_NE(std::ranges::find(lines, "完整 " + std::to_string(done) +
                                           " 页，有错误 0 页，未写出 0 页，跳过 0 页，未处理 " +
                                           std::to_string(kCount - done) + " 页"),
              lines.end());
    // Every page there is whole and has its record; the rest are not there.
    for (size_t i = 0; i < kCount; ++i) {
      const json& s = report["students"][i];
      if (i < done) {
        EXPECT_EQ(s["status"], "complete");
        EXPECT_TRUE(
            ReadFileForTest(dir_.File("pages/" + Name(i) + ".html")).ends_with("</html>\n\r\n"));
      } else {
        EXPECT_EQ(s["status"], "not_run") << i;
        EXPECT_TRUE(s["page"].is_null());
        EXPECT_EQ(s["error"], "批处理被中断，此行未处理（用 --resume 继续）");
      }
    }
    EXPECT_EQ(FilesIn("pages"), ExpectedPages(done));  // nothing half-written either
    // The summary lists every row, those never run as 未生成, and says how
    // many it counts.
    // After the line that marks it partial and the header.
    const std::string csv = ReadFileForTest(dir_.File("pages/summary.csv"));
    EXPECT_TRUE(csv.starts_with("\xEF\xBB\xBF部分汇总：仅汇总 ")) << csv.substr(0, 200);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), static_cast<long>(kCount) + 2);
    const std::string not_run = ",未生成,";
    size_t listed = 0;
    for (size_t at = csv.find(not_run); at != std::string::npos; at = csv.find(not_run, at + 1)) {
      ++listed;
    }
    EXPECT_EQ(listed, kCount - done);
    EXPECT_NE(
        ReadFileForTest(dir_.File("pages/index.html"))
            .find("仅汇总 " + std::to_string(done) + " / " + std::to_string(kCount) + " 名考生：" +
                  std::to_string(kCount - done) + " 名未生成（批量生成被中断，用 --resume 继续）"),
        std::string::npos);
  }
  const CliResult r = Cli({"batch", manifest, "--out", "pages", "--jobs", "2", "--resume",
                           "--report", "report.json", "--key-file", key_file_});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(Report("report.json")["skipped"], done);
  EXPECT_EQ(FilesIn("pages"), ExpectedPages(kCount));
}

// --resume redoes a page older than its package, and a page made with other
// options (marks, PDF) than this run's.
TEST_F(BatchCommandTest, ResumeRegeneratesPagesOlderThanTheirPackageOrMadeOtherwise) {
  const std::string manifest = Manifest(3);
  ASSERT_EQ(Cli({"batch", manifest, "--out", "pages", "--key-file", key_file_}).exit_code, 0);
  // A new package for s001 arrives after its page was written.
  const auto later = fs::last_write_time(dir_.File("pages/s001.html")) + std::chrono::seconds(5);
  fs::last_write_time(dir_.File("exam/s001/s001.zip"), later);

  const CliResult r = Cli({"batch", manifest, "--out", "pages", "--resume", "--report",
                           "report.json", "--key-file", key_file_});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  const json report = Report("report.json");
  EXPECT_EQ(report["students"][0]["status"], "skipped");
  EXPECT_EQ(report["students"][0]["page"], "pages/s000.html");
  EXPECT_EQ(report["students"][1]["status"], "complete");
  EXPECT_EQ(report["students"][2]["status"], "skipped");
  EXPECT_NE(r.err.find("完整 1 页，有错误 0 页，未写出 0 页，跳过 2 页"), std::string::npos)
      << r.err;

  // Marks asked for now: every page is redone with them, once.
  fs::last_write_time(dir_.File("exam/s001/s001.zip"), later - std::chrono::hours(1));
  const auto statuses = [&](const std::vector<std::string>& options) {
    std::vector<std::string> args = {"batch",    manifest,      "--out",      "pages",  "--resume",
                                     "--report", "report.json", "--key-file", key_file_};
    args.insert(args.end(), options.begin(), options.end());
    const CliResult run = Cli(args);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    std::vector<std::string> seen;
    const json again = Report("report.json");
    for (const json& s : again["students"]) seen.push_back(s["status"]);
    return seen;
  };
  const std::vector<std::string> all_redone(3, "complete"), all_skipped(3, "skipped");
  EXPECT_EQ(statuses({"--marks"}), all_redone);
  EXPECT_NE(ReadFileForTest(dir_.File("pages/s002.html")).find("得分：5 / 5"), std::string::npos);
  json record = json::parse(ReadFileForTest(dir_.File("pages/s002.results.json")));
  EXPECT_EQ(record["options"], (json{{"marks", true}, {"pdf", false}}));
  EXPECT_EQ(statuses({"--marks"}), all_skipped);
  // A record that does not say how its page was made is redone.
  record.erase("options");
  WriteFileForTest(dir_.File("pages/s002.results.json"), record.dump());
  EXPECT_EQ(statuses({"--marks"}), (std::vector<std::string>{"skipped", "skipped", "complete"}));
  // Records are not flushed: one a crash left empty is redone too.
  WriteFileForTest(dir_.File("pages/s002.results.json"), "");
  EXPECT_EQ(statuses({"--marks"}), (std::vector<std::string>{"skipped", "skipped", "complete"}));
  // And without marks again.
  EXPECT_EQ(statuses({}), all_redone);
  EXPECT_EQ(ReadFileForTest(dir_.File("pages/s002.html")).find("得分：5 / 5"), std::string::npos);

  // Modification times: a page only as new as its package (a file system
  // with coarse timestamps) may predate it, and so may a results file
  // older than its package even beside a newer page: both are redone.
  const auto when = [&](const std::string& name) { return fs::last_write_time(dir_.File(name)); };
  fs::last_write_time(dir_.File("exam/s000/s000.zip"), when("pages/s000.html"));
  fs::last_write_time(dir_.File("exam/s002/s002.zip"),
                      when("pages/s002.html") - std::chrono::seconds(10));
  fs::last_write_time(dir_.File("pages/s002.results.json"),
                      when("pages/s002.html") - std::chrono::seconds(20));
  EXPECT_EQ(statuses({}), (std::vector<std::string>{"complete", "skipped", "complete"}));
}

// The class summary is part of a batch's work: a batch that could not
// write it has failed, though every page is complete.
TEST_F(BatchCommandTest, ASummaryThatCannotBeWrittenFailsTheBatch) {
  const std::string manifest = Manifest(1);
  fs::create_directories(dir_.File("pages/items.csv/in-the-way"));
  const CliResult r = Cli(
      {"batch", manifest, "--out", "pages", "--report", "report.json", "--key-file", key_file_});
  EXPECT_EQ(r.exit_code, 1) << r.err;
  EXPECT_NE(r.err.find("pages/items.csv"), std::string::npos) << r.err;
  EXPECT_EQ(Report("report.json")["students"][0]["status"], "complete");
  EXPECT_TRUE(fs::is_regular_file(dir_.File("pages/s000.html")));
}

// --resume keeps a page only when its record is of the row's student, from
// the row's package and this run's template; otherwise the row is redone.
TEST_F(BatchCommandTest, ResumeRedoesRowsWhoseRecordIsOfAnotherStudentOrTemplate) {
  Manifest(3);
  const auto manifest = [&](const std::string& row1, const std::string& row2) {
    WriteFileForTest(dir_.File("m.csv"),
                     "package_folder,zip_name,student_id,student_name,subject\n"
                     "exam/s000,s000.zip,1001,甲,英语\n" +
                         row1 + "\n" + row2 + "\n");
  };
  const auto statuses = [&](const std::vector<std::string>& options) {
    std::vector<std::string> args = {"batch",    "m.csv",  "--out",      "pages",  "--resume",
                                     "--report", "r.json", "--key-file", key_file_};
    args.insert(args.end(), options.begin(), options.end());
    const CliResult run = Cli(args);
    EXPECT_NE(run.exit_code, 1) << run.err;
    std::vector<std::string> seen;
    const json report = Report("r.json");
    for (const json& s : report["students"]) seen.push_back(s["status"]);
    return seen;
  };
  using Statuses = std::vector<std::string>;
  manifest("exam/s001,s001.zip,1001,乙,英语", "exam/s002,s002.zip,1001,丙,英语");
  EXPECT_EQ(statuses({}), Statuses(3, "complete"));
  EXPECT_EQ(statuses({}), Statuses(3, "skipped"));
  // Row 3 now names another student (the package is still 1001's, so that
  // page has errors); row 4 another package, of the same student.
  fs::copy_file(dir_.File("exam/s002/s002.zip"), dir_.File("exam/s001/other.zip"));
  manifest("exam/s001,s001.zip,1002,丁,英语", "exam/s001,other.zip,1001,丙,英语");
  fs::rename(dir_.File("pages/s002.html"), dir_.File("pages/other.html"));
  fs::rename(dir_.File("pages/s002.results.json"), dir_.File("pages/other.results.json"));
  EXPECT_EQ(statuses({}), (Statuses{"skipped", "with_errors", "complete"}));
  const std::string summary = ReadFileForTest(dir_.File("pages/summary.csv"));
  EXPECT_NE(summary.find("\r\n1002,丁,英语,,有错误,s001.html,,,,,,,,,,\r\n"), std::string::npos)
      << summary;
  EXPECT_EQ(summary.find("乙"), std::string::npos) << summary;
  // Another template: every page is made again, once.
  fs::copy_file(GENERATESHEET_SOURCE_DIR "/templates/default.html", dir_.File("t.html"));
  EXPECT_EQ(statuses({"--template", "t.html"}), (Statuses{"complete", "with_errors", "complete"}));
  EXPECT_EQ(statuses({"--template", "./t.html"}), (Statuses{"skipped", "with_errors", "skipped"}));
  // A record of an earlier version names neither package nor template.
  json record = json::parse(ReadFileForTest(dir_.File("pages/s000.results.json")));
  EXPECT_EQ(record["package"], fs::canonical(dir_.File("exam/s000/s000.zip")).string());
  EXPECT_EQ(record["template"], fs::canonical(dir_.File("t.html")).string());
  record.erase("package");
  WriteFileForTest(dir_.File("pages/s000.results.json"), record.dump());
  EXPECT_EQ(statuses({"--template", "t.html"}), (Statuses{"complete", "with_errors", "skipped"}));
  // A class given in the manifest: that student is made again, so the
  // record names the class the summary shows; an empty class is none.
  WriteFileForTest(dir_.File("m.csv"),
                   "package_folder,zip_name,student_id,student_name,subject,班级\n"
                   "exam/s000,s000.zip,1001,甲,英语,\n"
                   "exam/s001,s001.zip,1002,丁,英语,\n"
                   "exam/s001,other.zip,1001,丙,英语,二班\n");
  EXPECT_EQ(statuses({"--template", "t.html"}), (Statuses{"skipped", "with_errors", "complete"}));
  EXPECT_EQ(json::parse(ReadFileForTest(dir_.File("pages/other.results.json")))["class"], "二班");
  EXPECT_FALSE(
      json::parse(ReadFileForTest(dir_.File("pages/s000.results.json"))).contains("class"));
  // The template edited in place, its path the same: every page is made
  // again from it as it is now, once; so is a page whose record names no
  // template content.
  std::string edited = ReadFileForTest(dir_.File("t.html"));
  edited.insert(edited.find("$Content$"), "<p>第二版模板</p>");
  WriteFileForTest(dir_.File("t.html"), edited);
  EXPECT_EQ(statuses({"--template", "t.html"}), (Statuses{"complete", "with_errors", "complete"}));
  EXPECT_NE(ReadFileForTest(dir_.File("pages/other.html")).find("<p>第二版模板</p>"),
            std::string::npos);
  EXPECT_EQ(statuses({"--template", "t.html"}), (Statuses{"skipped", "with_errors", "skipped"}));
  record = json::parse(ReadFileForTest(dir_.File("pages/s000.results.json")));
  EXPECT_EQ(record["template_sha256"], cli::Sha256Hex(edited));
  record.erase("template_sha256");
  WriteFileForTest(dir_.File("pages/s000.results.json"), record.dump());
  EXPECT_EQ(statuses({"--template", "t.html"}), (Statuses{"complete", "with_errors", "skipped"}));
}

// Results files that are hostile or beyond the bounds (nested 100,000
// deep, over 64 MiB, a question number of 1e300, a score with blanks) end
// no batch: the summary counts them as unreadable and --resume redoes them.
TEST_F(BatchCommandTest, HostileResultsFilesAreRedoneNeverFatal) {
  const std::string manifest = Manifest(5);
  ASSERT_EQ(Cli({"batch", manifest, "--out", "pages", "--key-file", key_file_}).exit_code, 0);
  WriteFileForTest(dir_.File("pages/s001.results.json"),
                   "{\"results\":" + std::string(100000, '[') + std::string(100000, ']') + "}");
  fs::resize_file(dir_.File("pages/s002.results.json"), 64 * 1024 * 1024 + 1);
  for (const auto& [name, key, value] :
       {std::tuple<const char*, const char*, json>{"s003", "number", 1e300},
        {"s004", "obtained", " 5 "}}) {
    const std::string path = dir_.File(std::string("pages/") + name + ".results.json");
    json record = json::parse(ReadFileForTest(path));
    record["results"][0][key] = value;
    WriteFileForTest(path, record.dump());
  }
  const CliResult summary = Cli({"summary", "pages"});
  EXPECT_EQ(summary.exit_code, 3) << summary.err;
  EXPECT_NE(summary.err.find("pages/s001.results.json：嵌套超过 16 层"), std::string::npos)
      << summary.err;
  EXPECT_NE(summary.err.find("其中 4 个结果文件无法读取"), std::string::npos) << summary.err;

  const CliResult r = Cli({"batch", manifest, "--out", "pages", "--resume", "--report",
                           "report.json", "--key-file", key_file_});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  const json report = Report("report.json");
  EXPECT_EQ(report["students"][0]["status"], "skipped");
  for (size_t i = 1; i < 5; ++i) EXPECT_EQ(report["students"][i]["status"], "complete") << i;
  const std::string csv = ReadFileForTest(dir_.File("pages/summary.csv"));
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 6);
  // Every student has a score (the z and T scores of equal totals are
  // empty: they have no spread).
  const std::vector<std::string> lines = CsvLines(csv);
  for (size_t i = 1; i < lines.size(); ++i) {
    EXPECT_FALSE(Fields(lines[i]).at(3).empty()) << "a student without a score: " << lines[i];
  }
}

// Two batches into one folder: the clean-up of leftovers at the start of
// one never takes a page the other is writing (held under its lock), only
// what a killed run left.
TEST_F(BatchCommandTest, CleanUpLeavesTheTemporaryPagesOfALiveBatch) {
  const std::string manifest = Manifest(2);
  fs::create_directories(dir_.File("pages"));
  const std::string live = dir_.File("pages/.s001.html.tmp-LiVe01");
  const std::string dead = dir_.File("pages/.s001.html.tmp-DeAd01");
  WriteFileForTest(live, "<html><body>being writ");
  WriteFileForTest(dead, "<html><body>half a pa");
  FileDescriptor held(::open(live.c_str(), O_RDONLY | O_CLOEXEC));
  ASSERT_EQ(::flock(held.get(), LOCK_EX | LOCK_NB), 0);
  const CliResult r = Cli({"batch", manifest, "--out", "pages", "--key-file", key_file_});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(fs::exists(live));
  EXPECT_FALSE(fs::exists(dead));
}

// A score beyond what the exact sum holds (20 digits) fails the total only,
// naming the question, never the batch.
TEST_F(BatchCommandTest, ScoreSumBeyondTheRangeNamesTheQuestion) {
  builder::PackageDescription paper = SmallPaper("1001");
  paper.accounts[0]["S_GetScore"] = builder::Cell("0");
  for (int question : {2, 3}) {
    paper.accounts.push_back({{"I_QuestionNo", question},
                              {"S_GetScore", "99999999999999999999"},
                              {"I_RECNO", 10 + question}});
  }
  fs::create_directories(dir_.File("big"));
  builder::BuildAnswerPackage(paper, *cipher_, dir_.File("big/big.zip"));
  WriteFileForTest(dir_.File("m.csv"),
                   "package_folder,zip_name,student_id,student_name,subject\n"
                   "big,big.zip,1001,甲,英语\n");
  const CliResult r =
      Cli({"batch", "m.csv", "--out", "pages", "--report", "r.json", "--key-file", key_file_});
  EXPECT_EQ(r.exit_code, 3) << r.err;
  const json report = Report("r.json");
  EXPECT_EQ(report["students"][0]["status"], "with_errors") << report.dump();
  EXPECT_NE(r.err.find("加上第 3 题的得分 99999999999999999999 后，总和超出可表示的范围（±10^20）"),
            std::string::npos)
      << r.err;
  const std::string summary = ReadFileForTest(dir_.File("pages/summary.csv"));
  EXPECT_NE(summary.find("\r\n1001,甲,英语,0,有错误,big.html"), std::string::npos) << summary;
}

TEST_F(BatchCommandTest, ShardsCoverEveryRowExactlyOnce) {
  const size_t kCount = 23, kShards = 4;
  const std::string manifest = Manifest(kCount);
  std::map<size_t, int> seen;
  for (size_t k = 0; k < kShards; ++k) {
    const std::string report = "report-" + std::to_string(k) + ".json";
    const CliResult r =
        Cli({"batch", manifest, "--out", "pages", "--shard",
             std::to_string(k) + "/" + std::to_string(kShards), "--report", report, "--jobs", "2"},
            {"GENERATESHEET_KEY_FILE=" + key_file_});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, "") << "a shard writes no index.html";
    const json parsed = Report(report);
    EXPECT_EQ(parsed["shard"], std::to_string(k) + "/" + std::to_string(kShards));
    for (const json& s : parsed["students"]) {
      const size_t row = s["row"];
      EXPECT_EQ(row % kShards, k);
      EXPECT_EQ(s["status"], "complete");
      ++seen[row];
    }
  }
  ASSERT_EQ(seen.size(), kCount);
  for (const auto& [row, times] : seen) EXPECT_EQ(times, 1) << "row " << row;
  // Shards leave the summary to the summary command, which gives the same
  // figures as one unsharded batch.
  EXPECT_EQ(FilesIn("pages"), ExpectedPages(kCount, false));
  const CliResult summary = Cli({"summary", "pages"});
  ASSERT_EQ(summary.exit_code, 0) << summary.err;
  EXPECT_EQ(FilesIn("pages"), ExpectedPages(kCount));
  const CliResult whole = Cli({"batch", manifest, "--out", "whole", "--jobs", "2"},
                              {"GENERATESHEET_KEY_FILE=" + key_file_});
  ASSERT_EQ(whole.exit_code, 0) << whole.err;
  for (const char* file :
       {"summary.csv", "items.csv", "scores.csv", "summary.json", "index.html"}) {
    EXPECT_EQ(ReadFileForTest(dir_.File(std::string("pages/") + file)),
              ReadFileForTest(dir_.File(std::string("whole/") + file)))
        << file;
  }
}

TEST_F(BatchCommandTest, SamePageNameFailsTheLaterRowOnly) {
  MakePackage("a", "x#1.zip", "1001");
  MakePackage("b", "x1.zip", "1001");
  MakePackage("c", "c.zip", "1001");
  WriteFileForTest(dir_.File("m.csv"),
                   "zip_name,package_folder,student_id,student_name,subject,extra\n"
                   "x#1.zip,a,1001,甲,英语,ignored\n"
                   "x1.zip,b,1001,乙,英语,\n"
                   "c.zip,c,1001,丙,英语,\n"
                   "x#1.zip,a,1001,甲,英语,again\n");
  const CliResult r =
      Cli({"batch", "m.csv", "--out", "pages", "--report", "r.json", "--key-file", key_file_});
  EXPECT_EQ(r.exit_code, 1);
  const json report = Report("r.json");
  EXPECT_EQ(report["students"][0]["status"], "complete");
  EXPECT_EQ(report["students"][1]["status"], "not_written");
  EXPECT_EQ(report["students"][1]["error"],
            "与清单第 2 行生成同名页面：pages/x1.html；为免互相覆盖，本行不生成");
  EXPECT_EQ(report["students"][2]["status"], "complete");
  EXPECT_NE(ReadFileForTest(dir_.File("pages/x1.html")).find("姓名：甲"), std::string::npos);
  EXPECT_EQ(report["students"][3]["status"], "not_written");
  // Each student once in the summary (by number, then name): 乙, refused,
  // has no page and no figures.
  EXPECT_EQ(Lines(ReadFileForTest(dir_.File("pages/summary.csv"))),
            (std::vector<std::string>{
                "\xEF\xBB\xBF部分汇总：仅汇总 2 / 3 名考生：1 名页面未写出\r",
                "学号,姓名,科目,得分,结果,页面,名次,百分位,答对,部分正确,答错,未作答,"
                "得分率,z 分数（标准差 n−1）,T 分数,英语 一、单项选择题\r",
                "1001,丙,英语,5,完整,c.html,1,50.00,1,0,0,0,1.0000,,,5\r",
                "1001,乙,英语,,未写出,,,,,,,,,,,\r",
                "1001,甲,英语,5,完整,x1.html,1,50.00,1,0,0,0,1.0000,,,5\r"}));
}

// No row may write over a file the batch itself writes or reads: the
// summary, another row's page, results file or PDF, a package, the report.
// Such a row is refused, naming the file, before any page is made.
TEST_F(BatchCommandTest, RowsThatWouldWriteOverTheBatchsOwnFilesAreRefused) {
  const std::string a = MakePackage("a", "a.zip", "1001");
  for (const char* copy : {"index.zip", "a.ZIP", "r.zip"}) {
    fs::copy_file(a + "/a.zip", a + "/" + copy);
  }
  MakePackage("pages", "p.ZIP", "1001");
  const std::string package = ReadFileForTest(dir_.File("pages/p.ZIP"));
  WriteFileForTest(dir_.File("m.csv"),
                   "package_folder,zip_name,student_id,student_name,subject\n"
                   "a,a.zip,1001,甲,英语\n"
                   "a,index.zip,1001,乙,英语\n"
                   "a,a.ZIP,1001,丙,英语\n"
                   "pages,p.ZIP,1001,丁,英语\n"
                   "a,r.zip,1001,戊,英语\n");
  const CliResult r = Cli({"batch", "m.csv", "--out", "pages", "--report", "pages/r.html",
                           "--key-file", key_file_, "--title", "期中考试 <一>"});
  EXPECT_EQ(r.exit_code, 1) << r.err;
  const json report = Report("pages/r.html");
  const char* const refusals[] = {
      "本行生成的 index.html 会覆盖班级汇总文件；为免互相覆盖，本行不生成",
      "本行生成的 a.pdf 会覆盖清单第 2 行生成的文件；为免互相覆盖，本行不生成",
      "本行生成的 p.ZIP 会覆盖清单第 5 行的答卷包；为免互相覆盖，本行不生成",
      "本行生成的 r.html 会覆盖报告文件；为免互相覆盖，本行不生成"};
  EXPECT_EQ(report["students"][0]["status"], "complete");
  for (size_t i = 0; i < std::size(refusals); ++i) {
    EXPECT_EQ(report["students"][i + 1]["status"], "not_written");
    EXPECT_EQ(report["students"][i + 1]["error"], refusals[i]);
    EXPECT_NE(r.err.find("清单第 " + std::to_string(i + 3) + " 行"), std::string::npos) << r.err;
  }
  EXPECT_EQ(FilesIn("pages"),
            (std::set<std::string>{"a.html", "a.results.json", "index.html", "summary.csv",
                                   "items.csv", "scores.csv", "summary.json", "summary.xlsx",
                                   "p.ZIP", "r.html", "MANIFEST.json"}));
  EXPECT_EQ(ReadFileForTest(dir_.File("pages/p.ZIP")), package);
  EXPECT_EQ(ReadWorkbook(dir_.File("pages/summary.xlsx"))["title"], "期中考试 <一>");
  // The title given, escaped, at the top and in the page title, with the
  // date of the run.
  const std::string index = ReadFileForTest(dir_.File("pages/index.html"));
  const std::string date = RunDateForTest();
  EXPECT_NE(index.find("<title>期中考试 &lt;一&gt;（" + date + "）</title>"), std::string::npos);
  EXPECT_NE(index.find("<h1>期中考试 &lt;一&gt;</h1>\n<p class='exam-date'>日期：" + date + "</p>"),
            std::string::npos)
      << index.substr(0, 4000);
}

TEST_F(BatchCommandTest, RowsSharingAPackageFolderAllSucceed) {
  const std::string folder = MakePackage("shared", "p1.zip", "1001");
  fs::copy_file(folder + "/p1.zip", folder + "/p2.zip");
  fs::copy_file(folder + "/p1.zip", folder + "/p3.zip");
  WriteFileForTest(dir_.File("m.csv"),
                   "package_folder,zip_name,student_id,student_name,subject\n"
                   "shared,p1.zip,1001,甲,英语\n"
                   "./shared/,p2.zip,1001,乙,英语\n" +
                       folder + ",p3.zip,1001,丙,英语\n");
  const CliResult r =
      Cli({"batch", "m.csv", "--out", "pages", "--jobs", "3", "--key-file", key_file_});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(
      FilesIn("pages"),
      (std::set<std::string>{"p1.html", "p2.html", "p3.html", "p1.results.json", "p2.results.json",
                             "p3.results.json", "index.html", "summary.csv", "items.csv",
                             "scores.csv", "summary.json", "summary.xlsx", "MANIFEST.json"}));
}

TEST_F(BatchCommandTest, BadOptionsAndManifests) {
  const std::string manifest = Manifest(1);
  struct Case {
    std::vector<std::string> args;
    int exit_code;
    std::string message;
  };
  const Case cases[] = {
      {{"batch", "--out", "p"}, 2, "缺少参数：清单文件"},
      {{"batch", manifest}, 2, "缺少选项 --out"},
      {{"batch", manifest, "--out", "p", "--jobs", "0"}, 2, "--jobs"},
      {{"batch", manifest, "--out", "p", "--jobs", "2x"}, 2, "--jobs"},
      {{"batch", manifest, "--out", "p", "--shard", "4/4"}, 2, "--shard"},
      {{"batch", manifest, "--out", "p", "--shard", "0/0"}, 2, "--shard"},
      {{"batch", manifest, "--out", "p", "--shard", "1"}, 2, "--shard"},
      {{"batch", manifest, "--out", "p", "--resume=yes"}, 2, "--resume"},
      {{"batch", manifest, "--out", "p", "--duplex"},
       2,
       "选项 --duplex 用于 --pdf 写出的班级 PDF（class.pdf），须与 --pdf 一起给出"},
      {{"batch", manifest, "--out", "p", "--jbos", "2"}, 2, "未知选项 --jbos；是否指 --jobs？"},
      {{"batch", manifest, "--out", "p", "--title", " "}, 2, "选项 --title 的值为空"},
      {{"batch", "missing.csv", "--out", "p"}, 1, "文件不存在：missing.csv"},
      {{"batch", "fifo.csv", "--out", "p"}, 1, "命名管道"},
      {{"batch", manifest, "--out", "p", "--report", manifest}, 2, "清单文件本身"},
      {{"batch", manifest, "--out", "p", "--report", "nowhere/r.json"}, 1, "nowhere"},
      {{"batch", manifest, "--out", "q", "--report", "q/index.html"},
       1,
       "报告文件 q/index.html 会被班级汇总文件覆盖"},
      {{"batch", manifest, "--out", "q", "--report", "q/MANIFEST.json.sig"},
       1,
       "报告文件 q/MANIFEST.json.sig 会被存档清单覆盖"},
      {{"batch", manifest, "--out", "p", "--shard", "0/2", "--sign", "sign.key"},
       2,
       "分片运行不写存档清单，--sign 请在 generate-sheet summary 时给出"},
      {{"batch", manifest, "--out", "p", "--sign", "missing.key"},
       1,
       "无法读取签名密钥文件：missing.key"},
      {{"batch", manifest, "--out", "p", "--sign", "master.key"}, 1, "不是签名密钥文件"},
      {{"batch", manifest, "--out", "p", "--template", "t.html"}, 1, "$Content$"},
      {{"batch", "no-id.csv", "--out", "p"}, 1, "no-id.csv 第 3 行的 student_id 为空"},
      {{"batch", "not-zip.csv", "--out", "p"},
       1,
       "not-zip.csv 第 3 行的 zip_name 不以 .zip 结尾：s00001.results.json"},
      {{"batch", "nul.csv", "--out", "p"}, 1, "nul.csv 第 3 行的 student_name 含有空字符（NUL）"},
      {{"batch", "twice.csv", "--out", "p"},
       1,
       "twice.csv 的表头有两列都是 student_id：学号 与 student_id"},
  };
  ASSERT_EQ(::mkfifo(dir_.File("fifo.csv").c_str(), 0600), 0);
  fs::create_directories(dir_.File("q"));
  WriteFileForTest(dir_.File("t.html"), "$Title$");
  WriteFileForTest(dir_.File("no-id.csv"),
                   "package_folder,zip_name,student_id,student_name,subject\n"
                   "exam/s000,s000.zip,1001,甲,英语\n"
                   "exam/s000,s000.zip,,乙,英语\n");
  // A row whose page would be another row's results file.
  WriteFileForTest(dir_.File("not-zip.csv"),
                   "package_folder,zip_name,student_id,student_name,subject\n"
                   "exam/s000,s000.zip,1001,甲,英语\n"
                   "exam/s000,s00001.results.json,1002,乙,英语\n");
  WriteFileForTest(dir_.File("nul.csv"),
                   std::string("package_folder,zip_name,student_id,student_name,subject\n"
                               "exam/s000,s000.zip,1001,甲,英语\n"
                               "exam/s000,s000.zip,1002,乙\0丙,英语\n",
                               130));
  WriteFileForTest(dir_.File("twice.csv"),
                   "学号,package_folder,zip_name,student_id,student_name,subject\n"
                   "1001,exam/s000,s000.zip,1001,甲,英语\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--key-file", key_file_});
    const CliResult r = Cli(args);
    EXPECT_EQ(r.exit_code, c.exit_code);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
    EXPECT_FALSE(fs::exists(dir_.File("p/s000.html")));  // refused before any page
  }
  const CliResult no_title = Cli({"summary", "p", "--title", ""});
  EXPECT_EQ(no_title.exit_code, 2);
  EXPECT_NE(no_title.err.find("选项 --title 的值为空"), std::string::npos) << no_title.err;
  WriteFileForTest(dir_.File("bad.csv"),
                   "package_folder,zip_name,student_id,student_nmae,subject\n");
  const CliResult r = Cli({"batch", "bad.csv", "--out", "p", "--key-file", key_file_});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err,
            "generate-sheet batch：清单格式错误：bad.csv 的表头缺少列 student_name；找到："
            "package_folder, zip_name, student_id, student_nmae, subject；须有：package_folder, "
            "zip_name, student_id, student_name, subject（或 答卷包文件夹, 答卷包, 学号, 姓名, "
            "科目）\n");
}

// One worker serves student A, then B, whose package was made under another
// key: B's page shows nothing of A's, and B is reported as not complete.
// Once B's subject and package are put right, --resume redoes only B.
TEST_F(BatchCommandTest, PagesWithErrorsAreNamedCountedAndRedoneByResume) {
  Manifest(3);
  TempDir other;
  WriteNewMasterKeyFile(other.File("other.key"));
  SodiumCipher stranger(ReadMasterKeyFile(other.File("other.key")));
  builder::PackageDescription paper = SmallPaper("1001");
  paper.analysis[0]["M_StudentAnswer"] = builder::Cell("1");
  builder::BuildAnswerPackage(paper, stranger, dir_.File("exam/s001/s001.zip"));
  const auto manifest = [&](const std::string& subject_of_s002) {
    WriteFileForTest(dir_.File("m.csv"),
                     "package_folder,zip_name,student_id,student_name,subject\n"
                     "exam/s000,s000.zip,1001,甲,英语\n"
                     "exam/s001,s001.zip,1001,乙,英语\n"
                     "exam/s002,s002.zip,1001,丙," +
                         subject_of_s002 + "\n");
  };
  manifest("计算机应用基础");
  CliResult r = Cli({"batch", "m.csv", "--out", "pages", "--jobs", "1", "--report", "r.json",
                     "--key-file", key_file_});
  EXPECT_EQ(r.exit_code, 3) << r.err;
  json report = Report("r.json");
  EXPECT_EQ(report["complete"], 1);
  EXPECT_EQ(report["with_errors"], 2);
  EXPECT_EQ(report["not_written"], 0);
  EXPECT_EQ(report["students"][0]["status"], "complete");
  EXPECT_EQ(report["students"][1]["status"], "with_errors");
  EXPECT_NE(
      report["students"][1]["error"].get<std::string>().find("密钥文件不符，或答卷数据已损坏"),
      std::string::npos);
  EXPECT_EQ(report["students"][2]["status"], "with_errors");
  const std::string page_b = ReadFileForTest(dir_.File("pages/s001.html"));
  EXPECT_EQ(page_b.find("考生答案："), std::string::npos) << page_b;
  EXPECT_EQ(page_b.find("考生得分"), std::string::npos) << page_b;
  // The page says so on its face, and the class summary in the row.
  EXPECT_NE(page_b.find("此页面不完整：答卷数据无法解密：密钥文件不符"), std::string::npos);
  EXPECT_EQ(ReadFileForTest(dir_.File("pages/s000.html")).find("此页面不完整"), std::string::npos);
  // The teacher reads each cause in plain words, without the procedures'
  // names and prefixes that ErrMsg carries for hosts.
  EXPECT_NE(ReadFileForTest(dir_.File("pages/index.html"))
                .find("有错误<div class='cause'>解密考生的答卷数据（Analysis.mdb）时出错：答卷数据"
                      "无法解密：密钥文件不符"),
            std::string::npos);
  const std::string workbook = ReadWorkbook(dir_.File("pages/summary.xlsx")).dump();
  for (const char* file : {"pages/index.html", "r.json", "workbook"}) {
    const std::string text =
        file == std::string("workbook") ? workbook : ReadFileForTest(dir_.File(file));
    EXPECT_EQ(text.find("出错，详细信息："), std::string::npos) << file;
    EXPECT_EQ(text.find("【SelectPaper】"), std::string::npos) << file;
    EXPECT_NE(text.find("生成试卷的各大题时出错：无效使用 Null：字段 C_Startexe"),
              std::string::npos)
        << file;
  }
  EXPECT_NE(r.err.find("完整 1 页，有错误 2 页，未写出 0 页，跳过 0 页\n"), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("有错误：清单第 3 行（学号 1001，乙）：解密考生的答卷数据（Analysis.mdb）时"
                       "出错：答卷数据无法解密"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("有错误：清单第 4 行（学号 1001，丙）："), std::string::npos) << r.err;

  // Nothing is put right: --resume still redoes both.
  r = Cli({"batch", "m.csv", "--out", "pages", "--resume", "--report", "r.json", "--key-file",
           key_file_});
  EXPECT_EQ(r.exit_code, 3) << r.err;
  EXPECT_EQ(Report("r.json")["skipped"], 1);

  // Put right: B's package is remade under the right key, C's subject fixed.
  builder::BuildAnswerPackage(paper, *cipher_, dir_.File("exam/s001/s001.zip"));
  manifest("英语");
  r = Cli({"batch", "m.csv", "--out", "pages", "--resume", "--report", "r.json", "--key-file",
           key_file_});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  report = Report("r.json");
  EXPECT_EQ(report["students"][0]["status"], "skipped");
  EXPECT_EQ(report["students"][1]["status"], "complete");
  EXPECT_EQ(report["students"][2]["status"], "complete");
  EXPECT_NE(ReadFileForTest(dir_.File("pages/s001.html")).find("考生答案：A"), std::string::npos);
}

// A cause many students share is told once, naming their lines.  When the
// key file fits none of the first packages, the batch stops after five of
// them, unless --keep-going; once one package has opened with it, it does
// not stop.
TEST_F(BatchCommandTest, OneCauseOfManyIsToldOnceAndAKeyThatFitsNoneStopsTheBatch) {
  const std::string manifest = Manifest(12);
  const std::string other_key = dir_.File("other.key");
  WriteNewMasterKeyFile(other_key);
  const auto run = [&](std::vector<std::string> extra) {
    std::vector<std::string> args = {"batch", manifest,   "--out",  "pages",      "--jobs",
                                     "1",     "--report", "r.json", "--key-file", other_key};
    args.insert(args.end(), extra.begin(), extra.end());
    return Cli(args);
  };
  CliResult r = run({});
  EXPECT_EQ(r.exit_code, 1) << r.err;
  json report = Report("r.json");
  EXPECT_EQ(report["with_errors"], 5);
  EXPECT_EQ(report["not_run"], 7);
  EXPECT_EQ(report["students"][5]["status"], "not_run");
  EXPECT_EQ(report["students"][5]["error"],
            "批处理已停止：最先处理的答卷包都与密钥文件不符，此行未处理");
  EXPECT_EQ(FilesIn("pages"), ExpectedPages(5));
  std::vector<std::string> lines = Lines(r.err);
  EXPECT_NE(std::ranges::find(lines,
                              "5 名考生：密钥文件与答卷包不符，请检查 --key-file（清单第 "
                              "2、3、4、5、6 行）"),
            lines.end())
      << r.err;
  EXPECT_EQ(r.err.find("有错误：清单第"), std::string::npos) << r.err;
  EXPECT_EQ(lines.back(), "已停止：最先处理的 5 名考生的答卷包都与密钥文件不符（密钥文件：" +
                              other_key +
                              "），其余 7 名考生未处理。请检查 --key-file；确认密钥文件无误、"
                              "仍要处理全部考生时，加 --keep-going");

  r = run({"--keep-going"});
  EXPECT_EQ(r.exit_code, 3) << r.err;
  EXPECT_EQ(Report("r.json")["with_errors"], 12);
  EXPECT_NE(r.err.find("\n12 名考生：密钥文件与答卷包不符，请检查 --key-file（清单第 "
                       "2、3、4、5、6、7、8、9、10、11 行等，见报告）\n"),
            std::string::npos)
      << r.err;

  // With the right key for the first student only, nothing stops; two
  // students whose subject selects no section make a line of their own,
  // and one cause of one student keeps its own line.
  TempDir other;
  WriteNewMasterKeyFile(other.File("other.key"));
  SodiumCipher stranger(ReadMasterKeyFile(other.File("other.key")));
  builder::BuildAnswerPackage(SmallPaper("1001"), stranger, dir_.File("stranger.zip"));
  std::string csv = "package_folder,zip_name,student_id,student_name,subject\n";
  for (size_t i = 0; i < 12; ++i) {
    if (i >= 1 && i <= 7) {
      fs::copy_file(dir_.File("stranger.zip"),
                    dir_.File("exam/" + Name(i) + "/" + Name(i) + ".zip"),
                    fs::copy_options::overwrite_existing);
    }
    const char* subject = i == 8 || i == 9 ? "计算机应用基础" : "英语";
    const char* id = i == 10 ? "1002" : "1001";
    csv += "exam/" + Name(i) + "," + Name(i) + ".zip," + id + ",学生" + std::to_string(i) + "," +
           subject + "\n";
  }
  WriteFileForTest(dir_.File("m.csv"), csv);
  r = Cli({"batch", "m.csv", "--out", "mixed", "--jobs", "1", "--key-file", key_file_});
  EXPECT_EQ(r.exit_code, 3) << r.err;
  lines = Lines(r.err);
  EXPECT_NE(std::ranges::find(lines, "完整 2 页，有错误 10 页，未写出 0 页，跳过 0 页"),
            lines.end())
      << r.err;
  EXPECT_NE(std::ranges::find(lines,
                              "7 名考生：密钥文件与答卷包不符，请检查 --key-file（清单第 "
                              "3、4、5、6、7、8、9 行）"),
            lines.end())
      << r.err;
  EXPECT_NE(std::ranges::find(lines,
                              "2 名考生：科目与试卷不符，没有生成任何试题，请检查清单的 "
                              "subject 列（清单第 10、11 行）"),
            lines.end())
      << r.err;
  EXPECT_NE(r.err.find("\n有错误：清单第 12 行（学号 1002，学生10）：生成页眉（学号、姓名、得分）时"
                       "出错：学号“1002”与此答卷包不符"),
            std::string::npos)
      << r.err;
  // The message names no file: the package it concerns is added.
  EXPECT_NE(r.err.find("加密的）（文件：exam/s010/s010.zip）\n"), std::string::npos) << r.err;
}

// Two batches over the same package folder at once: each run waits for the
// folder, so every page of both comes out complete.  While a batch waits it
// says so, once, on stderr and in the log.
TEST_F(BatchCommandTest, TwoProcessesOnOnePackageFolderBothEndComplete) {
  const std::string folder = MakePackage("shared", "p0.zip", "1001");
  std::string csv = "package_folder,zip_name,student_id,student_name,subject\n";
  for (int i = 0; i < 12; ++i) {
    const std::string zip = "p" + std::to_string(i) + ".zip";
    if (i > 0) fs::copy_file(folder + "/p0.zip", folder + "/" + zip);
    csv += "shared," + zip + ",1001,学生" + std::to_string(i) + ",英语\n";
  }
  WriteFileForTest(dir_.File("m.csv"), csv);
  fs::create_directories(dir_.File("log"));
  // Held here until both batches have said that they wait.
  std::optional<FolderLock> held(std::in_place, folder, std::chrono::milliseconds(0));
  ASSERT_TRUE(held->locked());
  const std::string notice = "答卷包文件夹正被另一次生成使用，等待其释放（最多 120 秒）：shared";
  int pids[2];
  for (int k = 0; k < 2; ++k) {
    pids[k] = SpawnCli({"batch", "m.csv", "--out", "out" + std::to_string(k), "--report",
                        "r" + std::to_string(k) + ".json", "--key-file", key_file_},
                       dir_.path(), {"GENERATESHEET_LOG_DIR=" + dir_.File("log")},
                       dir_.File("err" + std::to_string(k)));
    ASSERT_GT(pids[k], 0);
  }
  const auto both_told = [&] {
    for (int k = 0; k < 2; ++k) {
      const std::string err = dir_.File("err" + std::to_string(k));
      if (!fs::exists(err) || ReadFileForTest(err).find(notice) == std::string::npos) {
        return false;
      }
    }
    return true;
  };
  for (int i = 0; i < 1500 && !both_told(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_TRUE(both_told()) << ReadFileForTest(dir_.File("err0"));
  held.reset();
  for (int k = 0; k < 2; ++k) {
    int status = 0;
    ASSERT_EQ(::waitpid(pids[k], &status, 0), pids[k]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "batch " << k;
    const json report = Report("r" + std::to_string(k) + ".json");
    EXPECT_EQ(report["complete"], 12) << report.dump();
    // Once, however many of its rows waited; its own line.
    const std::vector<std::string> lines =
        Lines(ReadFileForTest(dir_.File("err" + std::to_string(k))));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), notice), 1) << "batch " << k;
  }
  EXPECT_NE(ReadFileForTest(dir_.File("log/syslog.txt")).find(notice + "\r\n"), std::string::npos);
}

// A second interrupt ends the batch at once, with 128 + the signal like the
// first, never with the code of a usage error: here while its one page in
// flight waits for a package folder another run holds.
TEST_F(BatchCommandTest, ASecondInterruptEndsTheBatchAtOnce) {
  const std::string manifest = Manifest(3);
  std::optional<FolderLock> held(std::in_place, dir_.File("exam/s000"),
                                 std::chrono::milliseconds(0));
  ASSERT_TRUE(held->locked());
  const std::string err = dir_.File("err");
  const pid_t pid = SpawnCli({"batch", manifest, "--out", "pages", "--key-file", key_file_},
                             dir_.path(), {}, err);
  ASSERT_GT(pid, 0);
  const auto waiting = [&] {
    return fs::exists(err) && ReadFileForTest(err).find("等待其释放") != std::string::npos;
  };
  for (int i = 0; i < 1500 && !waiting(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_TRUE(waiting());
  ASSERT_EQ(::kill(pid, SIGINT), 0);
  // The first is taken (the page in flight still waits) before the second
  // comes: two pending at once would be one.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_EQ(::kill(pid, SIGINT), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  held.reset();
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 130);
  EXPECT_NE(ReadFileForTest(err).find("\n再次收到中断信号，立即退出\n"), std::string::npos)
      << ReadFileForTest(err);
}

// Temporaries of this batch's pages that a killed run left are removed
// before the run: a page's PDF, and a page whose own name holds ".tmp-";
// a temporary of a file that is none of the batch's stays.
TEST_F(BatchCommandTest, StaleTemporariesOfEveryPageFileAreRemoved) {
  Manifest(1);
  fs::rename(dir_.File("exam/s000/s000.zip"), dir_.File("exam/s000/a.tmp-b.zip"));
  WriteFileForTest(dir_.File("m.csv"),
                   "package_folder,zip_name,student_id,student_name,subject\n"
                   "exam/s000,a.tmp-b.zip,1001,甲,英语\n");
  fs::create_directories(dir_.File("pages"));
  const std::vector<std::string> stale = {".a.tmp-b.html.tmp-AbC123", ".a.tmp-b.pdf.tmp-XyZ789",
                                          ".a.tmp-b.results.json.tmp-000000",
                                          ".summary.csv.tmp-Q1w2E3"};
  const std::string strangers = ".notes.txt.tmp-AbC123";
  for (const std::string& name : stale) WriteFileForTest(dir_.File("pages/" + name), "half");
  WriteFileForTest(dir_.File("pages/" + strangers), "a host's own");
  const CliResult r = Cli({"batch", "m.csv", "--out", "pages", "--key-file", key_file_});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  const std::set<std::string> files = FilesIn("pages");
  for (const std::string& name : stale) EXPECT_EQ(files.count(name), 0u) << name;
  EXPECT_EQ(files.count(strangers), 1u);
  EXPECT_EQ(files.count("a.tmp-b.html"), 1u);
}

// The key stop counts from the first package the key opens: a first row
// that failed for another reason (its package is no zip) proves nothing
// of the key.  And a cause shared by exactly ten students names all ten
// lines, with no "等".
TEST_F(BatchCommandTest, TheKeyStopLooksPastOtherFailuresAndTenLinesAreNamedInFull) {
  const std::string other_key = dir_.File("other.key");
  WriteNewMasterKeyFile(other_key);
  std::string manifest = Manifest(7, {0});
  CliResult r = Cli({"batch", manifest, "--out", "pages", "--jobs", "1", "--report", "r.json",
                     "--key-file", other_key});
  EXPECT_EQ(r.exit_code, 1) << r.err;
  json report = Report("r.json");
  EXPECT_EQ(report["not_written"], 1);
  EXPECT_EQ(report["with_errors"], 5);
  EXPECT_EQ(report["not_run"], 1);
  EXPECT_EQ(Lines(r.err).back().rfind("已停止：最先处理的 5 名考生的答卷包都与密钥文件不符", 0), 0u)
      << r.err;

  const struct {
    size_t students;
    std::string named;
  } cases[] = {
      {10,
       "10 名考生：密钥文件与答卷包不符，请检查 --key-file（清单第 2、3、4、5、6、7、8、9、10、"
       "11 行）"},
      {11,
       "11 名考生：密钥文件与答卷包不符，请检查 --key-file（清单第 2、3、4、5、6、7、8、9、10、"
       "11 行等，见报告）"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.students);
    fs::remove_all(dir_.File("pages"));
    fs::remove_all(dir_.File("exam"));
    fs::remove_all(dir_.File("original"));
    manifest = Manifest(c.students);
    r = Cli({"batch", manifest, "--out", "pages", "--keep-going", "--key-file", other_key});
    EXPECT_EQ(r.exit_code, 3) << r.err;
    const std::vector<std::string> lines = Lines(r.err);
    EXPECT_NE(std::ranges::find(lines, c.named), lines.end()) << r.err;
  }
}

// The exit code of a spawned command, -1 when it did not exit.
int ExitCodeOf(pid_t pid) {
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// Two batches writing one out folder at once, and a batch beside a summary
// of its folder: the summary files and the archive manifest are written by
// one at a time, each from what the folder holds, so both end complete,
// the folder verifies, and its pages and index.html are a lone run's.
TEST_F(BatchCommandTest, TwoWritersOfOneOutFolderLeaveWhatOneAloneWould) {
  const size_t kCount = 40;
  const std::string manifest = Manifest(kCount);
  const std::vector<std::string> batch = {"batch", manifest,     "--jobs",
                                          "2",     "--key-file", key_file_};
  const auto batch_into = [&](const std::string& out) {
    std::vector<std::string> args = batch;
    args.insert(args.end(), {"--out", out});
    return args;
  };
  ASSERT_EQ(Cli(batch_into("alone")).exit_code, 0);
  std::set<std::string> expected = ExpectedPages(kCount);
  const auto same_as_alone = [&](const std::string& folder) {
    EXPECT_EQ(FilesIn(folder), expected) << folder;
    for (const std::string& name : expected) {
      if (name == "MANIFEST.json" || name.ends_with(".xlsx")) continue;
      EXPECT_EQ(ReadFileForTest(dir_.File(folder + "/" + name)),
                ReadFileForTest(dir_.File("alone/" + name)))
          << folder << "/" << name;
    }
    const std::string listed = ReadFileForTest(dir_.File(folder + "/MANIFEST.json"));
    EXPECT_EQ(listed.find(".tmp-"), std::string::npos) << listed;
    EXPECT_EQ(json::parse(listed)["files"].size(), expected.size() - 1);
    const CliResult verify = Cli({"verify", folder});
    EXPECT_EQ(verify.exit_code, 0) << verify.out << verify.err;
  };
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const std::string out = "both" + std::to_string(round);
    pid_t pids[2];
    for (int k = 0; k < 2; ++k) {
      pids[k] =
          SpawnCli(batch_into(out), dir_.path(), {}, dir_.File(out + "-err" + std::to_string(k)));
      ASSERT_GT(pids[k], 0);
    }
    for (int k = 0; k < 2; ++k) {
      EXPECT_EQ(ExitCodeOf(pids[k]), 0)
          << ReadFileForTest(dir_.File(out + "-err" + std::to_string(k)));
    }
    same_as_alone(out);
  }

  // Summaries of the folder again and again while a batch rewrites it.
  const pid_t pid = SpawnCli(batch_into("both0"), dir_.path(), {}, dir_.File("beside-err"));
  ASSERT_GT(pid, 0);
  int summaries = 0;
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    const CliResult r = Cli({"summary", "both0"});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    ++summaries;
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << ReadFileForTest(dir_.File("beside-err"));
  EXPECT_GT(summaries, 0);
  same_as_alone("both0");
  const CliResult last = Cli({"summary", "both0"});
  EXPECT_EQ(last.exit_code, 0) << last.err;
  same_as_alone("both0");

  // A writer that waits says so, and goes on once the folder is free; the
  // lock's file goes with the lock.
  std::optional<cli::SummaryFilesLock> held(std::in_place, dir_.File("both1/"));
  const pid_t waiting = SpawnCli({"summary", "both1"}, dir_.path(), {}, dir_.File("wait-err"));
  ASSERT_GT(waiting, 0);
  const std::string notice =
      "输出文件夹正由另一次运行写出汇总与存档清单，等待其写完（最多 3600 秒）：both1/\n";
  for (int i = 0; i < 1500; ++i) {
    if (fs::exists(dir_.File("wait-err")) &&
        ReadFileForTest(dir_.File("wait-err")).find(notice) != std::string::npos) {
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_NE(ReadFileForTest(dir_.File("wait-err")).find(notice), std::string::npos);
  EXPECT_TRUE(fs::exists(dir_.File("both1/.generate-sheet.lock")));
  held.reset();
  EXPECT_EQ(ExitCodeOf(waiting), 0) << ReadFileForTest(dir_.File("wait-err"));
  same_as_alone("both1");
}

// A manifest saved by a Chinese spreadsheet program: GB18030, lines ended
// by CR alone, the columns named in Chinese.
TEST_F(BatchCommandTest, Gb18030ManifestGivesTheRightNames) {
  Manifest(2);
  const std::string utf8 =
      "学号,姓名,科目,答卷包文件夹,答卷包\r"
      "1001,张三,英语,exam/s000,s000.zip\r"
      "1001,欧阳·娜娜,英语,exam/s001,s001.zip\r";
  WriteFileForTest(dir_.File("gb.csv"), ConvertEncoding(utf8, "UTF-8", "GB18030"));
  const CliResult r =
      Cli({"batch", "gb.csv", "--out", "pages", "--report", "r.json", "--key-file", key_file_});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const json report = Report("r.json");
  EXPECT_EQ(report["students"][1]["student_name"], "欧阳·娜娜");
  EXPECT_EQ(report["students"][1]["line"], 3);
  EXPECT_NE(ReadFileForTest(dir_.File("pages/s000.html")).find("姓名：张三"), std::string::npos);
}

// A name that opens like a formula reaches the page as written, but the
// spreadsheet gets it as text.
TEST_F(BatchCommandTest, FormulaLikeNamesAreTextInTheSummary) {
  Manifest(2);
  WriteFileForTest(dir_.File("m.csv"),
                   "package_folder,zip_name,student_id,student_name,subject\n"
                   "exam/s000,s000.zip,1001,\"=HYPERLINK(\"\"http://x.example/\"\",\"\"点我\"\")\","
                   "@英语\n"
                   "exam/s001,s001.zip,1001,-7,英语\n");
  const CliResult r = Cli({"batch", "m.csv", "--out", "pages", "--key-file", key_file_});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(ReadFileForTest(dir_.File("pages/s000.html")).find("姓名：=HYPERLINK("),
            std::string::npos);
  const std::string summary = ReadFileForTest(dir_.File("pages/summary.csv"));
  EXPECT_NE(
      summary.find("\r\n1001,\"'=HYPERLINK(\"\"http://x.example/\"\",\"\"点我\"\")\",'@英语,"),
      std::string::npos)
      << summary;
  EXPECT_NE(summary.find("\r\n1001,-7,英语,"), std::string::npos) << summary;
  EXPECT_NE(ReadFileForTest(dir_.File("pages/items.csv")).find("\r\n'@英语,1,"), std::string::npos);
}

}  // namespace
}  // namespace generatesheet::testing
