// Round trips through both independent readers: every file the Jet writer
// makes is read back by libmdb (stored bytes, see libmdb_dump.h) and by
// mdb-reader (tests/js/read_mdb.mjs), and both must return what was written.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "builder/jet/database.h"
#include "data/mdb_reader.h"
#include "jetwriter/libmdb_dump.h"
#include "support/jet_test_support.h"
#include "support/temp_dir.h"
#include "util/error.h"

namespace generatesheet {
namespace {

using jet::ColumnType;
using nlohmann::json;
using testing::LibmdbTable;

std::string Utf16Le(std::u16string_view s) {
  std::string out;
  for (char16_t u : s) {
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
  }
  return out;
}

std::string Repeat(std::string_view piece, size_t times) {
  std::string out;
  for (size_t i = 0; i < times; ++i) out += piece;
  return out;
}

std::string LittleEndian(uint64_t v, size_t bytes) {
  std::string out;
  for (size_t i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  return out;
}

std::string DoubleBytes(double d) {
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  return LittleEndian(bits, 8);
}

class JetWriterTest : public ::testing::Test {
 protected:
  // Saves `db`, then reads it with both readers into libmdb_ and reader_.
  void SaveAndRead(const jet::Database& db) {
    path_ = dir_.File("test.mdb");
    db.Save(path_);
    libmdb_ = testing::ReadWithLibmdb(path_);
    reader_ = testing::ReadWithMdbReader(path_);
  }

  // Column `column` of every row, as libmdb stored bytes.
  std::vector<testing::LibmdbField> LibmdbColumn(const std::string& table, size_t column) {
    std::vector<testing::LibmdbField> out;
    for (const auto& row : libmdb_.at(table).rows) out.push_back(row.at(column));
    return out;
  }

  // Column `name` of every row, as mdb-reader returns it.
  std::vector<json> ReaderColumn(const std::string& table, const std::string& name) {
    std::vector<json> out;
    for (const json& row : reader_.at(table).at("rows")) out.push_back(row.at(name));
    return out;
  }

  testing::TempDir dir_;
  std::string path_;
  std::map<std::string, LibmdbTable> libmdb_;
  json reader_;
};

TEST_F(JetWriterTest, TextKeepsChineseNonBmpEmptyAndNull) {
  jet::Database db;
  jet::Table& t = db.AddTable("tbl_text", {{"ID", ColumnType::kLong}, {"Name", ColumnType::kText}});
  const std::vector<std::string> utf8 = {"张三", "𠀀",         "a𠀀b😀",
                                         "",     "Ünïcödé ×÷", Repeat("题", 255)};
  const std::vector<std::u16string> utf16 = {u"张三", u"𠀀",         u"a𠀀b😀",
                                             u"",     u"Ünïcödé ×÷", std::u16string(255, u'题')};
  for (size_t i = 0; i < utf8.size(); ++i) t.AddRow({static_cast<int>(i), utf8[i]});
  t.AddRow({99, nullptr});
  SaveAndRead(db);

  const auto stored = LibmdbColumn("tbl_text", 1);
  ASSERT_EQ(stored.size(), utf8.size() + 1);
  for (size_t i = 0; i < utf8.size(); ++i) {
    EXPECT_FALSE(stored[i].is_null) << i;
    EXPECT_EQ(stored[i].bytes, Utf16Le(utf16[i])) << i;
  }
  EXPECT_TRUE(stored.back().is_null);
  EXPECT_EQ(stored[0].text, "张三");

  std::vector<json> expected(utf8.begin(), utf8.end());
  expected.push_back(nullptr);
  EXPECT_EQ(ReaderColumn("tbl_text", "Name"), expected);
  EXPECT_EQ(reader_["tbl_text"]["columns"],
            json::parse(R"([{"name":"ID","type":"long"},{"name":"Name","type":"text"}])"));
}

TEST_F(JetWriterTest, NumbersAndBooleansKeepExtremesAndNull) {
  jet::Database db;
  jet::Table& t = db.AddTable("tbl_numbers", {{"Small", ColumnType::kInteger},
                                              {"Big", ColumnType::kLong},
                                              {"Real", ColumnType::kDouble},
                                              {"Flag", ColumnType::kBoolean}});
  const int64_t long_min = std::numeric_limits<int32_t>::min();
  const int64_t long_max = std::numeric_limits<int32_t>::max();
  t.AddRow({-32768, long_min, 1.5, true});
  t.AddRow({32767, long_max, -0.25, false});
  t.AddRow({0, 0, 1e300, true});
  t.AddRow({nullptr, nullptr, nullptr, false});
  t.AddRow({-1, -1, 3, true});  // an integer into a Double column
  SaveAndRead(db);

  const LibmdbTable& table = libmdb_.at("tbl_numbers");
  ASSERT_EQ(table.rows.size(), 5u);
  EXPECT_EQ(table.rows[0][0].bytes, LittleEndian(0x8000, 2));
  EXPECT_EQ(table.rows[0][0].text, "-32768");
  EXPECT_EQ(table.rows[1][0].text, "32767");
  EXPECT_EQ(table.rows[0][1].bytes, LittleEndian(0x80000000, 4));
  EXPECT_EQ(table.rows[0][1].text, "-2147483648");
  EXPECT_EQ(table.rows[1][1].text, "2147483647");
  EXPECT_EQ(table.rows[0][2].bytes, DoubleBytes(1.5));
  EXPECT_EQ(table.rows[1][2].bytes, DoubleBytes(-0.25));
  EXPECT_EQ(table.rows[2][2].bytes, DoubleBytes(1e300));
  EXPECT_EQ(table.rows[4][2].bytes, DoubleBytes(3.0));
  for (size_t c = 0; c < 3; ++c) EXPECT_TRUE(table.rows[3][c].is_null) << c;
  const std::vector<bool> flags = {true, false, true, false, true};
  for (size_t r = 0; r < flags.size(); ++r) EXPECT_EQ(!table.rows[r][3].is_null, flags[r]) << r;

  EXPECT_EQ(reader_["tbl_numbers"]["rows"], json::parse(R"([
    {"Small": -32768, "Big": -2147483648, "Real": 1.5, "Flag": true},
    {"Small": 32767, "Big": 2147483647, "Real": -0.25, "Flag": false},
    {"Small": 0, "Big": 0, "Real": 1e300, "Flag": true},
    {"Small": null, "Big": null, "Real": null, "Flag": false},
    {"Small": -1, "Big": -1, "Real": 3, "Flag": true}])"));
  EXPECT_EQ(reader_["tbl_numbers"]["columns"], json::parse(R"([
    {"name": "Small", "type": "integer"}, {"name": "Big", "type": "long"},
    {"name": "Real", "type": "double"}, {"name": "Flag", "type": "boolean"}])"));
}

TEST_F(JetWriterTest, MemosInlineInOneLongValueRowAndChained) {
  struct Case {
    std::string utf8;
    std::u16string utf16;
    uint8_t flags;  // how the writer must have stored it
  };
  const std::vector<Case> cases = {
      {"", u"", 0x80},                                          // 0 B
      {Repeat("ab", 15), std::u16string(30, u'a'), 0x80},       // 60 B, inline
      {Repeat("文", 2000), std::u16string(2000, u'文'), 0x40},  // 4,000 B, one row
      {Repeat("x", 2048), std::u16string(2048, u'x'), 0x00},    // 4 KB, two pages
      {Repeat("文𠀀", 50000), {}, 0x00},                        // 300 KB, 74 pages
  };
  jet::Database db;
  jet::Table& t = db.AddTable("tbl_memo", {{"ID", ColumnType::kLong}, {"Body", ColumnType::kMemo}});
  for (size_t i = 0; i < cases.size(); ++i) t.AddRow({static_cast<int>(i), cases[i].utf8});
  t.AddRow({99, nullptr});
  SaveAndRead(db);

  std::vector<std::u16string> expected;
  for (const Case& c : cases) expected.push_back(c.utf16);
  expected[1] = std::u16string();
  for (int i = 0; i < 15; ++i) expected[1] += u"ab";
  for (int i = 0; i < 50000; ++i) expected[4] += u"文𠀀";
  ASSERT_EQ(Utf16Le(expected[4]).size(), 300000u);

  const auto stored = LibmdbColumn("tbl_memo", 1);
  ASSERT_EQ(stored.size(), cases.size() + 1);
  for (size_t i = 0; i < cases.size(); ++i) {
    EXPECT_FALSE(stored[i].is_null) << i;
    EXPECT_EQ(stored[i].memo_flags, cases[i].flags) << i;
    EXPECT_TRUE(stored[i].bytes == Utf16Le(expected[i]))
        << "memo " << i << ": " << stored[i].bytes.size() << " bytes";
  }
  EXPECT_TRUE(stored.back().is_null);

  const auto read = ReaderColumn("tbl_memo", "Body");
  ASSERT_EQ(read.size(), cases.size() + 1);
  for (size_t i = 0; i < cases.size(); ++i) {
    EXPECT_TRUE(read[i] == cases[i].utf8) << "memo " << i;
  }
  EXPECT_TRUE(read.back().is_null());
}

// Hundreds of long-value pages between the data pages: the reader keeps
// only a few runs of pages at a time, so every memo must still come from
// its own page.
TEST_F(JetWriterTest, ManyPageSizedMemosEachReadFromTheirOwnPage) {
  jet::Database db;
  jet::Table& t = db.AddTable("tbl_memo", {{"ID", ColumnType::kLong}, {"Body", ColumnType::kMemo}});
  constexpr int kRows = 400;
  const auto body = [](int i) { return Repeat(std::to_string(i) + "文", 2000 / 4); };
  for (int i = 0; i < kRows; ++i) t.AddRow({i, body(i)});
  SaveAndRead(db);

  MdbReader ours(path_);
  const std::unique_ptr<Table> table = ours.ReadTable("tbl_memo");
  const auto read = ReaderColumn("tbl_memo", "Body");
  ASSERT_EQ(table->row_count(), static_cast<size_t>(kRows));
  ASSERT_EQ(read.size(), static_cast<size_t>(kRows));
  for (int i = 0; i < kRows; ++i) {
    ASSERT_TRUE(table->row(i)[1].text() == body(i)) << "memo " << i;
    ASSERT_TRUE(read[i] == body(i)) << "memo " << i;
  }
}

TEST_F(JetWriterTest, TenThousandRowsSpanManyDataPages) {
  jet::Database db;
  jet::Table& t = db.AddTable(
      "tbl_many",
      {{"ID", ColumnType::kLong}, {"Label", ColumnType::kText}, {"Score", ColumnType::kDouble}});
  constexpr int kRows = 10000;
  for (int i = 0; i < kRows; ++i) {
    t.AddRow({i, "第" + std::to_string(i) + "行", i * 0.5});
  }
  SaveAndRead(db);

  const LibmdbTable& table = libmdb_.at("tbl_many");
  ASSERT_EQ(table.rows.size(), static_cast<size_t>(kRows));
  const json& rows = reader_["tbl_many"]["rows"];
  ASSERT_EQ(rows.size(), static_cast<size_t>(kRows));
  for (int i = 0; i < kRows; ++i) {
    const std::string digits = std::to_string(i);
    const std::u16string label = u"第" + std::u16string(digits.begin(), digits.end()) + u"行";
    ASSERT_EQ(table.rows[i][0].bytes, LittleEndian(i, 4)) << i;
    ASSERT_EQ(table.rows[i][1].bytes, Utf16Le(label)) << i;
    ASSERT_EQ(table.rows[i][2].bytes, DoubleBytes(i * 0.5)) << i;
    ASSERT_EQ(rows[i],
              (json{{"ID", i}, {"Label", "第" + std::to_string(i) + "行"}, {"Score", i * 0.5}}))
        << i;
  }
}

TEST_F(JetWriterTest, SixtyColumnsNeedSeveralDefinitionPages) {
  std::vector<jet::Column> columns;
  std::vector<jet::Value> values;
  std::vector<jet::Value> nulls;  // Booleans cannot be Null: false
  json expected_row = json::object();
  const ColumnType types[] = {ColumnType::kText,    ColumnType::kLong,   ColumnType::kMemo,
                              ColumnType::kInteger, ColumnType::kDouble, ColumnType::kBoolean};
  for (int i = 0; i < 60; ++i) {
    // Long names push the definition past one page.
    std::string name = "第" + std::to_string(i) + "列_a_rather_long_descriptive_column_name";
    const ColumnType type = types[i % 6];
    columns.emplace_back(name, type, 20);
    nulls.push_back(type == ColumnType::kBoolean ? jet::Value(false) : jet::Value());
    switch (type) {
      case ColumnType::kText:
      case ColumnType::kMemo:
        values.emplace_back("值" + std::to_string(i));
        expected_row[name] = "值" + std::to_string(i);
        break;
      case ColumnType::kBoolean:
        values.emplace_back(i % 4 == 1);
        expected_row[name] = i % 4 == 1;
        break;
      case ColumnType::kDouble:
        values.emplace_back(i + 0.25);
        expected_row[name] = i + 0.25;
        break;
      default:
        values.emplace_back(-i);
        expected_row[name] = -i;
    }
  }
  jet::Database db;
  db.AddTable("tbl_wide", columns).AddRow(values);
  db.GetTable("tbl_wide").AddRow(nulls);
  SaveAndRead(db);

  // The definition continues on a second page (its "next page" field).
  const std::string file = testing::ReadFileForTest(path_);
  ASSERT_EQ(file[3 * 4096], 0x02);
  EXPECT_NE(std::memcmp(file.data() + 3 * 4096 + 4, "\0\0\0\0", 4), 0);

  const LibmdbTable& table = libmdb_.at("tbl_wide");
  ASSERT_EQ(table.columns.size(), 60u);
  for (int i = 0; i < 60; ++i) EXPECT_EQ(table.columns[i].name, columns[i].name) << i;
  ASSERT_EQ(table.rows.size(), 2u);
  EXPECT_EQ(table.rows[0][54].bytes, Utf16Le(u"值54"));  // Text
  EXPECT_EQ(table.rows[0][56].bytes, Utf16Le(u"值56"));  // Memo
  EXPECT_TRUE(table.rows[0][59].is_null);                // Boolean false
  EXPECT_FALSE(table.rows[0][53].is_null);               // Boolean true

  const json& rows = reader_["tbl_wide"]["rows"];
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], expected_row);
  for (const auto& [name, value] : rows[1].items()) {
    EXPECT_TRUE(value.is_null() || value == false) << name;
  }
}

TEST_F(JetWriterTest, TextStartingWithByteOrderMarkIsNotTakenForCompressedText) {
  jet::Database db;
  jet::Table& t =
      db.AddTable("tbl_bom", {{"Name", ColumnType::kText}, {"Body", ColumnType::kMemo}});
  const std::string bom = "\xEF\xBB\xBF";
  t.AddRow({bom + "ab", bom + "中文"});
  t.AddRow({bom, bom});  // one unit alone is never read as compressed
  SaveAndRead(db);

  EXPECT_EQ(reader_["tbl_bom"]["rows"],
            (json{{{"Name", bom + "ab"}, {"Body", bom + "中文"}}, {{"Name", bom}, {"Body", bom}}}));
  const LibmdbTable& table = libmdb_.at("tbl_bom");
  ASSERT_EQ(table.rows.size(), 2u);
  EXPECT_EQ(table.rows[0][0].text, bom + "ab");
}

TEST_F(JetWriterTest, ManyTablesSpreadTheCatalogAndUsageMapsOverPages) {
  jet::Database db;
  constexpr int kTables = 300;  // more catalog rows than one page holds (255)
  for (int i = 0; i < kTables; ++i) {
    jet::Table& t = db.AddTable("tbl_" + std::to_string(i), {{"N", ColumnType::kLong}});
    for (int r = 0; r < i % 3; ++r) t.AddRow({i * 10 + r});
  }
  SaveAndRead(db);

  ASSERT_EQ(libmdb_.size(), static_cast<size_t>(kTables));
  ASSERT_EQ(reader_.size(), static_cast<size_t>(kTables));
  for (int i = 0; i < kTables; ++i) {
    const std::string name = "tbl_" + std::to_string(i);
    json rows = json::array();
    for (int r = 0; r < i % 3; ++r) rows.push_back({{"N", i * 10 + r}});
    EXPECT_EQ(reader_[name]["rows"], rows) << name;
    ASSERT_EQ(libmdb_.at(name).rows.size(), static_cast<size_t>(i % 3)) << name;
    for (int r = 0; r < i % 3; ++r) {
      EXPECT_EQ(libmdb_.at(name).rows[r][0].text, std::to_string(i * 10 + r)) << name;
    }
  }
}

}  // namespace
}  // namespace generatesheet
