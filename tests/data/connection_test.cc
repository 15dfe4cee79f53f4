// Connections and recordsets over real Access files written by the Jet
// writer: the connection string rules, the record-access pattern, and
// values read back exactly.
#include "generatesheet/connection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <thread>
#include <vector>

#include "builder/jet/database.h"
#include "data/recordset.h"
#include "support/error_text.h"
#include "support/temp_dir.h"
#include "util/error.h"

namespace generatesheet {
namespace {

using jet::ColumnType;

std::string ConnectionStringFor(const std::string& folder, const std::string& file) {
  return "Provider = Microsoft.Jet.OLEDB.4.0;Data Source=" + folder + "\\" + file +
         ";Persist Security Info=False";
}

using testing::ErrorOf;

class ConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    jet::Database db;
    jet::Table& account = db.AddTable("tbl_Account", {{"I_QuestionNo", ColumnType::kLong},
                                                      {"S_GetScore", ColumnType::kText},
                                                      {"I_RECNO", ColumnType::kLong}});
    account.AddRow({1, "enc1", 101});
    account.AddRow({2, "enc2", 102});
    jet::Table& paper = db.AddTable("tbl_AnalysisPaper", {{"I_QuestionNo", ColumnType::kLong},
                                                          {"I_TypeID", ColumnType::kInteger},
                                                          {"M_StudentAnswer", ColumnType::kMemo},
                                                          {"M_TopicAns", ColumnType::kMemo},
                                                          {"M_Analysis", ColumnType::kMemo},
                                                          {"S_Score", ColumnType::kDouble}});
    paper.AddRow({2, 1, "", nullptr, long_memo_, 2.5});
    paper.AddRow({1, 2, "学生答案", "标准答案", nullptr, 3.0});
    db.Save(dir_.File("Analysis.mdb"));
  }

  void OpenAnalysis() { conn_.Open(ConnectionStringFor(dir_.path(), "Analysis.mdb")); }

  testing::TempDir dir_;
  Connection conn_;
  // Longer than any bind buffer; characters outside the BMP, an NUL inside.
  const std::string long_memo_ = std::string(20000, 'x') + "𠀀😀" + std::string("a\0b", 3) + "尾";
};

TEST_F(ConnectionTest, KeepsItsStringWhileClosedAndTouchesNoFileUntilOpen) {
  std::string missing = ConnectionStringFor(dir_.path(), "Pbase.mdb");
  conn_.SetConnectionString(missing);
  EXPECT_EQ(conn_.ConnectionString(), "Provider = Microsoft.Jet.OLEDB.4.0;Data Source=" +
                                          dir_.path() + "\\Pbase.mdb;Persist Security Info=False");
  EXPECT_FALSE(conn_.IsOpen());
  EXPECT_EQ(ErrorOf([&] { conn_.Open(); }), "找不到数据库文件：" + dir_.File("Pbase.mdb"));
  EXPECT_FALSE(conn_.IsOpen());
  EXPECT_EQ(conn_.ConnectionString(), missing);
}

TEST_F(ConnectionTest, OpensOnceAndRefusesChangesWhileOpen) {
  std::string analysis = ConnectionStringFor(dir_.path(), "Analysis.mdb");
  conn_.SetConnectionString(analysis);
  conn_.Open("", "", "", -1);
  EXPECT_TRUE(conn_.IsOpen());
  EXPECT_NE(ErrorOf([&] { conn_.Open(); }).find("连接已经打开"), std::string::npos);
  EXPECT_NE(ErrorOf([&] { conn_.SetConnectionString("x"); }).find("不能更改连接字符串"),
            std::string::npos);
  EXPECT_EQ(conn_.ConnectionString(), analysis);
  EXPECT_TRUE(conn_.IsOpen());

  conn_.Close();
  conn_.Close();  // closing a closed connection does nothing
  EXPECT_FALSE(conn_.IsOpen());
  conn_.SetConnectionString(ConnectionStringFor(dir_.path(), "Other.mdb"));
  EXPECT_EQ(ErrorOf([&] { conn_.Open(analysis); }), "(no error)");  // the argument replaces it
  EXPECT_EQ(conn_.ConnectionString(), analysis);
}

TEST_F(ConnectionTest, RefusesStringsWithoutADataSource) {
  EXPECT_EQ(ErrorOf([&] { conn_.Open(); }), "连接字符串为空，无法打开连接");
  EXPECT_EQ(ErrorOf([&] {
              conn_.Open("Provider = Microsoft.Jet.OLEDB.4.0;Persist Security Info=False");
            }),
            "连接字符串中没有 Data Source：Provider = Microsoft.Jet.OLEDB.4.0;Persist Security "
            "Info=False");
  EXPECT_FALSE(conn_.IsOpen());
}

TEST_F(ConnectionTest, RecordsetWalksRowsAndTellsNullFromEmpty) {
  OpenAnalysis();
  Recordset rs;
  rs.Open("select * from tbl_AnalysisPaper order by I_QuestionNo", conn_);
  ASSERT_FALSE(rs.Eof());
  EXPECT_EQ(rs.Field("i_questionno").ToText(), "1");
  EXPECT_EQ(rs.Field("M_StudentAnswer").ToText(), "学生答案");
  EXPECT_TRUE(rs.Field("M_Analysis").IsNull());
  EXPECT_EQ(rs.Field("S_Score").ToInt16(), 3);
  rs.MoveNext();
  ASSERT_FALSE(rs.Eof());
  EXPECT_EQ(rs.Field("M_StudentAnswer").ToText(), "");
  EXPECT_FALSE(rs.Field("M_StudentAnswer").IsNull());
  EXPECT_TRUE(rs.Field("M_TopicAns").IsNull());
  EXPECT_EQ(rs.Field("M_Analysis").ToText(), long_memo_);
  EXPECT_EQ(rs.Field("S_Score").ToInt16(), 2);  // 2.5 rounds to even
  rs.MoveNext();
  EXPECT_TRUE(rs.Eof());
  EXPECT_NE(ErrorOf([&] { rs.Field("S_Score"); }), "(no error)");
  EXPECT_NE(ErrorOf([&] { rs.MoveNext(); }), "(no error)");
}

TEST_F(ConnectionTest, JoinedQueryAsTheSystemSendsIt) {
  OpenAnalysis();
  Recordset rs;
  rs.Open(
      "select top 1 tbl_AnalysisPaper.*,tbl_account.I_RECNO from tbl_AnalysisPaper,tbl_account "
      "where tbl_account.I_QuestionNo =tbl_AnalysisPaper.I_QuestionNo and "
      "tbl_AnalysisPaper.I_QuestionNo= 2",
      conn_);
  ASSERT_FALSE(rs.Eof());
  EXPECT_EQ(rs.Field("I_RECNO").ToText(), "102");
  EXPECT_EQ(rs.Field("tbl_account.I_RECNO").ToText(), "102");
  EXPECT_EQ(rs.Field("I_QuestionNo").ToText(), "2");
  EXPECT_EQ(rs.Field("I_TypeID").ToInt16(), 1);
  EXPECT_EQ(ErrorOf([&] { rs.Field("S_GetScore"); }),
            "在对应所需名称或序数的集合中，未找到项目：字段 S_GetScore");
}

TEST_F(ConnectionTest, AnOpenRecordsetOutlivesItsConnectionsClose) {
  OpenAnalysis();
  Recordset rs;
  rs.Open("select * from tbl_AnalysisPaper where I_QuestionNo = 2", conn_);
  conn_.Close();
  ASSERT_FALSE(rs.Eof());
  EXPECT_EQ(rs.Field("M_Analysis").ToText(), long_memo_);
}

TEST_F(ConnectionTest, RecordsetNeedsAnOpenConnection) {
  conn_.SetConnectionString(ConnectionStringFor(dir_.path(), "Analysis.mdb"));
  Recordset rs;
  EXPECT_EQ(ErrorOf([&] { rs.Open("select * from tbl_Account", conn_); }),
            "对象关闭时，不允许操作：连接未打开。查询：select * from tbl_Account");
  EXPECT_TRUE(rs.Eof());
}

TEST_F(ConnectionTest, EachTableIsReadFromTheFileOnce) {
  OpenAnalysis();
  Recordset first;
  first.Open("select * from tbl_Account", conn_);
  // Empty the file under the open connection: the table read before is
  // still served, the one not yet read cannot be.
  std::filesystem::resize_file(dir_.File("Analysis.mdb"), 0);
  Recordset again;
  again.Open("select * from tbl_account where I_QuestionNo = 2", conn_);
  ASSERT_FALSE(again.Eof());
  EXPECT_EQ(again.Field("S_GetScore").ToText(), "enc2");
  Recordset other;
  EXPECT_NE(ErrorOf([&] { other.Open("select * from tbl_AnalysisPaper", conn_); }), "(no error)");
}

TEST_F(ConnectionTest, SeparateConnectionsToOneFileAreIndependent) {
  OpenAnalysis();
  Connection second;
  second.Open(ConnectionStringFor(dir_.path(), "Analysis.mdb"));
  Recordset a, b;
  a.Open("select * from tbl_Account", conn_);
  b.Open("select * from tbl_Account", second);
  conn_.Close();
  EXPECT_EQ(a.Field("I_RECNO").ToText(), "101");  // a recordset keeps its rows
  b.MoveNext();
  EXPECT_EQ(b.Field("I_RECNO").ToText(), "102");
}

TEST_F(ConnectionTest, AFailedOpenLeavesTheRecordsetClosed) {
  OpenAnalysis();
  Recordset rs;
  rs.Open("select * from tbl_Account", conn_);
  EXPECT_NE(ErrorOf([&] { rs.Open("select * from tbl_Account where I_RECNO = 'x'", conn_); }),
            "(no error)");
  EXPECT_TRUE(rs.Eof());
  EXPECT_NE(ErrorOf([&] { rs.Field("I_RECNO"); }), "(no error)");
}

TEST_F(ConnectionTest, ConnectionsOnSeparateThreadsAreIndependent) {
  std::vector<std::string> seen(4);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      Connection conn;
      conn.Open(ConnectionStringFor(dir_.path(), "Analysis.mdb"));
      for (int round = 0; round < 20; ++round) {
        Recordset rs;
        rs.Open("select * from tbl_AnalysisPaper where I_QuestionNo = 2", conn);
        seen[t] = rs.Field("M_Analysis").ToText();
        conn.Close();
        conn.Open();
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (const std::string& s : seen) EXPECT_EQ(s, long_memo_);
}

}  // namespace
}  // namespace generatesheet
