// A file that is not an Access database, or one whose structures are
// damaged, gives an Error naming the file: never a crash, never a hang.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>

#include "builder/jet/database.h"
#include "data/mdb_reader.h"
#include "generatesheet/connection.h"
#include "support/temp_dir.h"
#include "util/error.h"

namespace generatesheet {
namespace {

using jet::ColumnType;
constexpr std::size_t kPage = 4096;

std::uint32_t Get32(const std::string& s, std::size_t at) {
  auto b = [&](std::size_t i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + i]));
  };
  return b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24;
}
std::uint16_t Get16(const std::string& s, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(s[at]) |
                                    static_cast<unsigned char>(s[at + 1]) << 8);
}
void Put16(std::string* s, std::size_t at, std::uint16_t v) {
  (*s)[at] = static_cast<char>(v & 0xFF);
  (*s)[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string* s, std::size_t at, std::uint32_t v) {
  Put16(s, at, static_cast<std::uint16_t>(v & 0xFFFF));
  Put16(s, at + 2, static_cast<std::uint16_t>(v >> 16));
}

// What descriptor 2 receives while `body` runs, read back from a file put in
// its place.
template <typename Body>
std::string PrintedOnStderr(const std::string& file, Body&& body) {
  std::fflush(stderr);
  FILE* capture = std::fopen(file.c_str(), "w");
  const int saved = dup(STDERR_FILENO);
  dup2(fileno(capture), STDERR_FILENO);
  body();
  std::fflush(stderr);
  dup2(saved, STDERR_FILENO);
  close(saved);
  std::fclose(capture);
  return testing::ReadFileForTest(file);
}

class DamagedFileTest : public ::testing::Test {
 protected:
  DamagedFileTest() {
    jet::Database db;
    jet::Table& title = db.AddTable("tbl_title", {{"I_QuestionNo", ColumnType::kLong},
                                                  {"M_Title", ColumnType::kMemo},
                                                  {"C_DataCode", ColumnType::kText}});
    for (int i = 0; i < 40; ++i) {
      title.AddRow({i, std::string(i * 97, 'm') + "题目", "code" + std::to_string(i)});
    }
    jet::Table& types = db.AddTable(
        "tbl_QuestionType", {{"I_CmdId", ColumnType::kInteger}, {"C_DataCode", ColumnType::kText}});
    types.AddRow({1, "code1"});
    good_ = db.Serialize();
    path_ = dir_.File("Pbase.mdb");
  }

  // Opens the file and reads every table; returns the error text, or
  // "(no error)".  The reading leaves the process's stderr as it was and
  // prints nothing on it: whatever is wrong is in the error alone.
  std::string ReadAll(const std::string& content) {
    testing::WriteFileForTest(path_, content);
    std::string result = "(no error)";
    std::FILE* const host_stderr = stderr;
    const std::string printed = PrintedOnStderr(dir_.File("stderr.txt"), [&] {
      try {
        MdbReader reader(path_);
        for (const std::string& name : reader.UserTableNames()) reader.ReadTable(name);
      } catch (const Error& e) {
        result = e.what();
      }
    });
    EXPECT_EQ(stderr, host_stderr);
    EXPECT_EQ(fileno(stderr), STDERR_FILENO);
    EXPECT_EQ(printed, "") << "reading gave: " << result;
    return result;
  }

  // The page of the definition of `table`, found by its data pages' owner.
  std::size_t TableDefinitionPage(const std::string& content, std::uint32_t data_owner_not) {
    for (std::size_t p = 3; p < content.size() / kPage; ++p) {
      if (content[p * kPage] == 0x02 && p != data_owner_not) return p;
    }
    return 0;
  }

  testing::TempDir dir_;
  std::string good_;
  std::string path_;
};

TEST_F(DamagedFileTest, TheUndamagedFileReads) { EXPECT_EQ(ReadAll(good_), "(no error)"); }

TEST_F(DamagedFileTest, AFileThatIsNotAnAccessDatabaseFailsOpenNamingIt) {
  EXPECT_EQ(ReadAll("This is a plain text file, not a database.\n"),
            "不是 Access 数据库文件：" + path_);
  EXPECT_EQ(ReadAll(""), "不是 Access 数据库文件：" + path_);
  std::string jet3 = good_;
  jet3[0x14] = 0;
  EXPECT_EQ(ReadAll(jet3), "不是 Access 2000/2003 (Jet 4) 数据库：" + path_);

  Connection conn;
  testing::WriteFileForTest(path_, "PK\x03\x04 not a database");
  try {
    conn.Open("Provider = Microsoft.Jet.OLEDB.4.0;Data Source=" + dir_.path() +
              "\\Pbase.mdb;Persist Security Info=False");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "不是 Access 数据库文件：" + path_);
  }
  EXPECT_FALSE(conn.IsOpen());
}

TEST_F(DamagedFileTest, ATruncatedFileIsReportedAsDamaged) {
  EXPECT_EQ(ReadAll(good_.substr(0, kPage)),
            "数据库文件已损坏：" + path_ + "（文件过短，没有系统目录）");
  std::string error = ReadAll(good_.substr(0, good_.size() / 2));
  EXPECT_EQ(error.rfind("数据库文件已损坏：" + path_, 0), 0u) << error;
}

TEST_F(DamagedFileTest, ADamagedCatalogIsReportedAsDamaged) {
  std::string bad = good_;
  bad[2 * kPage] = 0x01;  // the catalog's definition page is no longer one
  EXPECT_EQ(ReadAll(bad), "数据库文件已损坏：" + path_ + "（表 MSysObjects 的定义页类型错误）");
}

// Debian's libmdb 1.0.0 dereferences a usage map of length 0 and crashes.
TEST_F(DamagedFileTest, AnEmptyUsageMapIsReportedAsDamaged) {
  int damaged = 0;
  for (std::size_t p = 3; p < good_.size() / kPage; ++p) {
    if (good_[p * kPage] != 0x02) continue;
    std::string bad = good_;
    std::uint32_t pointer = Get32(bad, p * kPage + 55);  // the usage map's row
    std::size_t map_page = pointer >> 8, row = pointer & 0xFF;
    std::size_t table = map_page * kPage + 14;
    std::uint16_t end = row == 0 ? kPage : Get16(bad, table + 2 * (row - 1)) & 0x1FFF;
    Put16(&bad, table + 2 * row, end);  // the row now starts where it ends
    std::string error = ReadAll(bad);
    EXPECT_EQ(error.rfind("数据库文件已损坏：" + path_, 0), 0u) << error;
    ++damaged;
  }
  EXPECT_GE(damaged, 2);
}

// Each fault that libmdb meets with a line on stderr (a page beyond the end
// of the file, a usage map's row that is not there, a row or a value that
// does not fit its place) is caught before libmdb gets to it.
TEST_F(DamagedFileTest, FaultsLibmdbWouldPrintAreReportedAsDamaged) {
  std::size_t tdef = 0, data = 0;
  for (std::size_t p = 3; p < good_.size() / kPage; ++p) {
    if (good_[p * kPage] == 0x02 && tdef == 0) tdef = p * kPage;
    if (good_[p * kPage] == 0x01 && Get32(good_, p * kPage + 4) != 2 && data == 0) {
      data = p * kPage;
    }
  }
  ASSERT_TRUE(tdef != 0 && data != 0);
  const std::size_t row = data + (Get16(good_, data + 14) & 0x1FFF);  // row 0 ends the page
  const std::size_t mask = (Get16(good_, row) + 7) / 8;
  const std::size_t variable_count = data + kPage - mask - 2;
  const std::size_t last_offset = variable_count - 2 - 2 * Get16(good_, variable_count);
  const std::uint32_t map = Get32(good_, tdef + 55);
  const std::size_t map_row = (map >> 8) * kPage + 14 + 2 * (map & 0xFF);
  const struct {
    const char* fault;
    std::function<void(std::string*)> damage;
  } kCases[] = {
      {"usage map past the end", [&](std::string* s) { Put32(s, tdef + 55, 0x7FFF00); }},
      {"free map past the end", [&](std::string* s) { Put32(s, tdef + 59, 0x7FFF00); }},
      {"usage map's row off its page", [&](std::string* s) { Put16(s, map_row, 0x1FFF); }},
      {"definition chain past the end",
       [&](std::string* s) {
         Put32(s, tdef + 51, 400);  // index entries fill the first page
         Put32(s, tdef + 4, 0x7FFF);
       }},
      {"row with more columns than bytes", [&](std::string* s) { Put16(s, row, 0xFFFF); }},
      {"variable offsets past the row", [&](std::string* s) { Put16(s, variable_count, 0x7FFF); }},
      {"value past the row", [&](std::string* s) { Put16(s, last_offset, 0x0FFF); }},
  };
  for (const auto& c : kCases) {
    std::string bad = good_;
    c.damage(&bad);
    std::string error = ReadAll(bad);
    EXPECT_EQ(error.rfind("数据库文件已损坏：" + path_, 0), 0u) << c.fault << ": " << error;
  }
}

// Random bytes changed past the header, half of the time inside the table
// definitions (the catalog's among them) that libmdb parses: each read
// either works or throws Error.  A crash or hang fails the test binary.
TEST_F(DamagedFileTest, RandomDamageNeverCrashes) {
  std::vector<std::size_t> definitions;
  for (std::size_t p = 1; p < good_.size() / kPage; ++p) {
    if (good_[p * kPage] == 0x02) definitions.push_back(p);
  }
  ASSERT_GE(definitions.size(), 3u);
  std::mt19937 random(20240607);
  std::uniform_int_distribution<std::size_t> anywhere(kPage, good_.size() - 1);
  std::uniform_int_distribution<std::size_t> definition(0, definitions.size() - 1);
  std::uniform_int_distribution<std::size_t> in_page(0, 600);
  std::uniform_int_distribution<int> byte(0, 255), count(1, 12);
  int rounds = 400, errors = 0;  // GS_DAMAGE_ROUNDS=n runs n rounds instead
  if (const char* env = std::getenv("GS_DAMAGE_ROUNDS")) rounds = std::atoi(env);
  for (int round = 0; round < rounds; ++round) {
    std::string bad = good_;
    for (int n = count(random); n > 0; --n) {
      std::size_t at =
          round % 2 ? anywhere(random) : definitions[definition(random)] * kPage + in_page(random);
      bad[at] = static_cast<char>(byte(random));
    }
    if (ReadAll(bad) != "(no error)") ++errors;
  }
  EXPECT_GT(errors, 0);
}

}  // namespace
}  // namespace generatesheet
