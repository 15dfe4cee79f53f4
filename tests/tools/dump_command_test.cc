// generate-sheet dump against Access files made by Access itself, compared
// with what the independent reader mdb-reader reads from them.
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
