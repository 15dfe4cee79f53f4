// What the Jet writer refuses, and the errors it gives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "builder/jet/database.h"
#include "support/error_text.h"
#include "support/temp_dir.h"
#include "util/error.h"

namespace generatesheet {
namespace {

using jet::ColumnType;

using testing::ErrorOf;

class JetTableTest : public ::testing::Test {
 protected:
  jet::Database db_;
  jet::Table& t_ = db_.AddTable("tbl_title", {{"ID", ColumnType::kInteger},
                                              {"Score", ColumnType::kLong},
                                              {"Done", ColumnType::kBoolean},
                                              {"Title", ColumnType::kText, 4},
                                              {"Body", ColumnType::kMemo}});
};

TEST_F(JetTableTest, RejectsValuesThatDoNotFitTheirColumn) {
  t_.AddRow({1, 2, true, "abcd", "x"});
  EXPECT_EQ(ErrorOf([&] {
              t_.AddRow({32768, 0, true, "", ""});
            }),
            "表 tbl_title 第 2 行的整型列 ID 的值 32768 超出范围 -32768 到 32767");
  EXPECT_EQ(ErrorOf([&] {
              t_.AddRow({0, int64_t{1} << 31, true, "", ""});
            }),
            "表 tbl_title 第 2 行的长整型列 Score 的值 2147483648 超出范围 -2147483648 到 "
            "2147483647");
  EXPECT_EQ(ErrorOf([&] {
              t_.AddRow({0, 0, nullptr, "", ""});
            }),
            "表 tbl_title 第 2 行的布尔列 Done 不能为 Null");
  EXPECT_EQ(ErrorOf([&] {
              t_.AddRow({0, 0, 1, "", ""});
            }),
            "表 tbl_title 第 2 行的布尔列 Done 不能存放整数");
  EXPECT_EQ(ErrorOf([&] {
              t_.AddRow({0, 1.5, true, "", ""});
            }),
            "表 tbl_title 第 2 行的长整型列 Score 不能存放小数");
  // Four UTF-16 units: 𠀀 counts two.
  EXPECT_EQ(ErrorOf([&] {
              t_.AddRow({0, 0, true, "ab𠀀c", ""});
            }),
            "表 tbl_title 第 2 行的文本列 Title 的值有 5 个 UTF-16 单元，超过列长 4");
  EXPECT_EQ(ErrorOf([&] {
              t_.AddRow({0, 0, true, "a\xC0\xAF", ""});
            }),
            "表 tbl_title 第 2 行的文本列 Title 的值不是有效的 UTF-8");
  EXPECT_EQ(ErrorOf([&] {
              t_.AddRow({0, 0, true, "\xED\xA0\x80", ""});
            }),
            "表 tbl_title 第 2 行的文本列 Title 的值不是有效的 UTF-8");
  EXPECT_EQ(ErrorOf([&] { t_.AddRow({0, 0, true}); }), "表 tbl_title 第 2 行有 3 个值，表有 5 列");
  EXPECT_EQ(t_.row_count(), 1u);  // nothing half-added
}

TEST_F(JetTableTest, AcceptsEveryBoundaryValue) {
  t_.AddRow({-32768, -2147483647 - 1, false, "𠀀𠀀", std::string((8 << 20) - 1, 'm')});
  t_.AddRow({32767, 2147483647, true, "", ""});
  t_.AddRow({nullptr, nullptr, false, nullptr, nullptr});
  EXPECT_EQ(t_.row_count(), 3u);
  EXPECT_EQ(ErrorOf([&] {
              t_.AddRow({0, 0, true, "", std::string(8 << 20, 'm')});
            }),
            "表 tbl_title 第 4 行的备注列 Body 的值有 16777216 字节，超过上限 16777215");
}

TEST_F(JetTableTest, RejectsRowsLargerThanAPage) {
  std::vector<jet::Column> columns;
  for (int i = 0; i < 9; ++i) columns.emplace_back("T" + std::to_string(i), ColumnType::kText);
  jet::Table& wide = db_.AddTable("tbl_wide", columns);
  std::vector<jet::Value> row(9, std::string(255, 'w'));
  EXPECT_EQ(ErrorOf([&] { wide.AddRow(row); }),
            "表 tbl_wide 第 1 行有 4616 字节，超过一页能容纳的 4080 字节");
  row[7] = row[8] = jet::Value();
  wide.AddRow(row);  // 7 full texts fit
  // Long memos leave only their 12-byte header in the row.
  jet::Table& memos =
      db_.AddTable("tbl_memos", {{"A", ColumnType::kMemo}, {"B", ColumnType::kMemo}});
  memos.AddRow({std::string(100000, 'a'), std::string(100000, 'b')});
}

TEST_F(JetTableTest, RejectsBadTableAndColumnDeclarations) {
  EXPECT_EQ(ErrorOf([&] {
              db_.AddTable("TBL_TITLE", {{"A", ColumnType::kLong}});
            }),
            "Access 数据库中已有表 tbl_title，不能再添加表 TBL_TITLE");
  EXPECT_EQ(ErrorOf([&] {
              db_.AddTable("t", {{"Name", ColumnType::kLong}, {"NAME", ColumnType::kText}});
            }),
            "表 t 的列名 NAME 重复");
  EXPECT_EQ(ErrorOf([&] { db_.AddTable("t", {}); }), "表 t 没有列");
  EXPECT_EQ(ErrorOf([&] { db_.AddTable("", {{"A", ColumnType::kLong}}); }), "表名为空");
  EXPECT_EQ(ErrorOf([&] {
              db_.AddTable("t", {{"A", ColumnType::kText, 256}});
            }),
            "表 t 的文本列 A 长度 256 不在 1 到 255 之间");
  EXPECT_EQ(ErrorOf([&] {
              db_.AddTable(std::string(65, 'n'), {{"A", ColumnType::kLong}});
            }),
            "表名 " + std::string(65, 'n') + " 超过 64 个字符");
  EXPECT_EQ(ErrorOf([&] { db_.GetTable("tbl_missing"); }), "Access 数据库中没有表 tbl_missing");
  EXPECT_EQ(db_.tables().size(), 1u);
}

TEST_F(JetTableTest, TextStartingWithByteOrderMarkNeedsNoZeroLowBytes) {
  t_.AddRow({1, 1, true,
             "\xEF\xBB\xBF"
             "ab",
             "\xEF\xBB\xBF"
             "中文"});  // U+FEFF, then text
  EXPECT_EQ(ErrorOf([&] {
              t_.AddRow({1, 1, true, "",
                         "\xEF\xBB\xBF"
                         "一"});
            }),
            "表 tbl_title 第 2 行的备注列 Body 的值以 U+FEFF 开头且含低字节为 0 的字符，无法存储");
}

TEST_F(JetTableTest, SaveNamesThePathItCannotWrite) {
  testing::TempDir dir;
  const std::string path = dir.File("missing/Pbase.mdb");
  EXPECT_EQ(ErrorOf([&] { db_.Save(path); }),
            "无法写入 Access 数据库文件：" + path + "：文件或文件夹不存在");
}

}  // namespace
}  // namespace generatesheet
