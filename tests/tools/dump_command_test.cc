// generate-sheet dump against Access files made by Access itself, compared
// with what the independent reader mdb-reader reads from them.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "tools/cli_fixture.h"

namespace generatesheet::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const std::string kAccessDir = GENERATESHEET_TESTDATA_DIR "/access";

// A table scan has no defined order (readers differ on overflow rows), so
// rows are compared as a multiset (json's == takes 0 and 0.0 as equal).
// Returns how many expected rows found no equal row.
size_t UnmatchedRows(json ours, const json& expected) {
  size_t unmatched = 0;
  for (const json& want : expected) {
    auto it = std::find(ours.begin(), ours.end(), want);
    if (it == ours.end()) {
      ++unmatched;
    } else {
      ours.erase(it);
    }
  }
  return unmatched;
}

using DumpCommandTest = CliTest;

struct BoundedRun {
  int exit_code = -1;  // -1: did not end normally (a signal, the CPU limit)
  long peak_kb = 0;
  std::string out;
  std::string err;
};

// Runs generate-sheet with `args` in a child held to `cpu_seconds` of CPU
// time, and reports its peak memory: a runaway ends as a failure here
// instead of taking the machine.
BoundedRun RunBounded(const std::vector<std::string>& args, const std::string& dir,
                      rlim_t cpu_seconds) {
  const std::string out_path = dir + "/bounded.out";
  const std::string err_path = dir + "/bounded.err";
  pid_t child = fork();
  if (child == 0) {
    struct rlimit cpu = {cpu_seconds, cpu_seconds};
    setrlimit(RLIMIT_CPU, &cpu);
    int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(127);
    const std::string program = CliPath();
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  BoundedRun run;
  int status = 0;
  struct rusage usage = {};
  if (wait4(child, &status, 0, &usage) == child && WIFEXITED(status)) {
    run.exit_code = WEXITSTATUS(status);
  }
  run.peak_kb = usage.ru_maxrss;
  run.out = ReadFileForTest(out_path);
  run.err = ReadFileForTest(err_path);
  return run;
}

// One byte of a real Access 2000 file changed.  Two of these sent libmdb's
// catalog and property parser into a loop that ate all memory and into a
// crash; the reader no longer runs that code, and reads the same tables as
// from the whole file.  A damaged table definition is a clear error.
TEST_F(DumpCommandTest, ADamagedCatalogEndsInBoundedTimeAndMemory) {
  const std::string source =
      GENERATESHEET_SOURCE_DIR "/tests/testdata/access/jackcess-delTestV2000.mdb";
  const std::string whole = ReadFileForTest(source);
  const BoundedRun undamaged = RunBounded({"dump", source}, dir_.path(), 60);
  ASSERT_EQ(undamaged.exit_code, 0) << undamaged.err;
  struct Case {
    std::size_t offset;
    std::string error;  // empty: the dump is that of the undamaged file
  };
  const std::string damaged = dir_.File("damaged.mdb");
  const Case cases[] = {
      {59840, ""},  // property data of a catalog row: libmdb looped
      {68401, ""},  // property data: libmdb crashed
      {8192, "generate-sheet dump：数据库文件已损坏：" + damaged +
                 "（表 MSysObjects 的定义页类型错误）\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offset);
    std::string bytes = whole;
    ASSERT_NE(bytes[c.offset], '\x40');
    bytes[c.offset] = '\x40';
    WriteFileForTest(damaged, bytes);
    const BoundedRun run = RunBounded({"dump", damaged}, dir_.path(), 60);
    EXPECT_LT(run.peak_kb, 256 * 1024);
    if (c.error.empty()) {
      EXPECT_EQ(run.exit_code, 0) << run.err;
      EXPECT_EQ(run.out, undamaged.out);
      EXPECT_EQ(run.err, "");
    } else {
      EXPECT_EQ(run.exit_code, 1);
      EXPECT_EQ(run.out, "");
      EXPECT_EQ(run.err, c.error);  // one Chinese line, nothing of libmdb's
    }
  }
}

TEST_F(DumpCommandTest, EveryTableMatchesTheIndependentReader) {
  size_t files = 0;
  for (const auto& entry : fs::directory_iterator(kAccessDir)) {
    if (entry.path().extension() != ".mdb") continue;
    ++files;
    SCOPED_TRACE(entry.path().filename().string());
    const CliResult r = Cli({"dump", entry.path().string()});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const json ours = json::parse(r.out);
    fs::path expected_path = entry.path();
    const json expected = json::parse(ReadFileForTest(expected_path.replace_extension(".json")));
    ASSERT_EQ(ours.size(), expected.size());
    for (const auto& [table, want] : expected.items()) {
      SCOPED_TRACE(table);
      ASSERT_TRUE(ours.contains(table));
      EXPECT_EQ(ours[table]["columns"], want["columns"]);
      EXPECT_EQ(ours[table]["rows"].size(), want["rows"].size());
      EXPECT_EQ(UnmatchedRows(ours[table]["rows"], want["rows"]), 0u);
    }
  }
  EXPECT_GE(files, 7u);
}

TEST_F(DumpCommandTest, OneTableByNameInAnyCase) {
  const std::string file = kAccessDir + "/mdbreader-V2000-test.mdb";
  const CliResult r = Cli({"dump", file, "table1"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const json ours = json::parse(r.out);
  ASSERT_EQ(ours.size(), 1u);
  const json& rows = ours["Table1"]["rows"];
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0]["A"], "abcdefg");
  EXPECT_EQ(rows[0]["G"], json({{"date", "1974-09-21T00:00:00.000Z"}}));
  EXPECT_EQ(rows[0]["H"], "3.5000");
  EXPECT_EQ(rows[0]["I"], true);
}

TEST_F(DumpCommandTest, ReadsWhatPackBuilds) {
  builder::WriteDatabases(SmallPaper("1001"), *cipher_, dir_.path(), {"", false});
  const CliResult r = Cli({"dump", dir_.File("Pbase.mdb"), "tbl_ChoiceVice"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const json rows = json::parse(r.out)["tbl_ChoiceVice"]["rows"];
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1]["C_ChoiceAnswer"], "B");
  EXPECT_NE(rows[1]["M_AnswerCont"].get<std::string>().find("\\ansicpg936"), std::string::npos);
}

TEST_F(DumpCommandTest, ErrorsNameTheFileOrTable) {
  const std::string file = kAccessDir + "/mdbreader-V2000-test.mdb";
  CliResult r = Cli({"dump", file, "NoSuchTable"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("NoSuchTable"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");

  r = Cli({"dump", dir_.File("missing.mdb")});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find(dir_.File("missing.mdb")), std::string::npos) << r.err;

  WriteFileForTest(dir_.File("text.mdb"), std::string(8192, 'x'));
  r = Cli({"dump", dir_.File("text.mdb")});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find(dir_.File("text.mdb")), std::string::npos) << r.err;
  EXPECT_EQ(Lines(r.err).size(), 1u);

  EXPECT_EQ(Cli({"dump"}).exit_code, 2);
  EXPECT_EQ(Cli({"dump", file, "a", "b"}).exit_code, 2);
}

}  // namespace
}  // namespace generatesheet::testing
