// The query engine over tables held in memory: every query form the system
// sends, Jet's meaning of names, text, Null and order, and the errors.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

#include "data/collation.h"
#include "data/query.h"
#include "data/query_runner.h"
#include "data/sql_literal.h"
#include "util/error.h"

namespace generatesheet {
namespace {

class MemorySource : public TableSource {
 public:
  Table& Add(const std::string& name, std::vector<Column> columns) {
    auto& slot = tables_[FoldCase(name)];
    slot = std::make_shared<Table>(name, std::move(columns));
    return *slot;
  }
  std::shared_ptr<const Table> GetTable(std::string_view name) override {
    auto found = tables_.find(FoldCase(name));
    if (found == tables_.end()) throw Error("找不到表 '" + std::string(name) + "'");
    return found->second;
  }

 private:
  std::map<std::string, std::shared_ptr<Table>> tables_;
};

const ColumnKind kNum = ColumnKind::kNumber;
const ColumnKind kText = ColumnKind::kText;
Value I(long long i) { return Value::Integer(i); }
Value T(const char* s) { return Value::Text(s); }
const Value kNull;

class QueryTest : public testing::Test {
 protected:
  QueryTest() {
    Table& types = db_.Add("tbl_QuestionType",
                           {{"I_CmdId", kNum}, {"C_DataCode", kText}, {"I_TypeID", kText}});
    types.AddRow({I(3), T("c3"), T("单选题")});
    types.AddRow({I(1), T("c1"), T("论述题")});
    types.AddRow({kNull, T("cnull"), T("")});
    types.AddRow({I(2), T("c2a"), T("")});
    types.AddRow({I(2), T("c2b"), T("")});

    Table& title = db_.Add("tbl_title", {{"I_QuestionNo", kNum},
                                         {"M_Title", kText},
                                         {"C_DataCode", kText},
                                         {"I_TypeID", kText},
                                         {"C_RecCode", kText}});
    title.AddRow({I(12), T("t12"), T("86"), T("单选题"), T("R1")});
    title.AddRow({I(10), T("t10"), T("86"), T("单选题"), T("R1")});
    title.AddRow({I(11), T("t11"), T("AB"), T("论述题"), kNull});
    title.AddRow({I(9), kNull, T("ab"), T("论述题"), T("R2")});

    Table& numeric_title =
        db_.Add("tbl_numeric_title", {{"I_QuestionNo", kNum}, {"I_TypeID", kNum}});
    numeric_title.AddRow({I(2), I(5)});
    numeric_title.AddRow({I(1), Value::Double(5.0)});
    numeric_title.AddRow({I(3), I(6)});

    Table& comm = db_.Add("tbl_CommItem", {{"C_RecCode", kText}, {"M_Title", kText}});
    comm.AddRow({T("R1"), T("passage one")});
    comm.AddRow({T("O'Brien"), T("quoted")});
    comm.AddRow({T("x' or '1'='1"), T("trap")});

    Table& choices =
        db_.Add("tbl_ChoiceVice",
                {{"I_QuestionNo", kNum}, {"C_ChoiceAnswer", kText}, {"M_AnswerCont", kText}});
    choices.AddRow({I(10), T("b"), T("second")});
    choices.AddRow({I(10), T("A"), T("first")});
    choices.AddRow({I(11), T("A"), T("other question")});
    choices.AddRow({I(10), T("C"), T("third")});
    choices.AddRow({I(10), T("a"), T("first again")});
    choices.AddRow({I(-5), T("A"), T("negative")});

    Table& account =
        db_.Add("tbl_Account", {{"I_QuestionNo", kNum}, {"S_GetScore", kText}, {"I_RECNO", kNum}});
    account.AddRow({I(10), T("enc10"), I(1010)});
    account.AddRow({I(11), T("enc11"), I(1011)});
    account.AddRow({I(-5), T("enc-5"), I(995)});

    Table& paper = db_.Add("tbl_AnalysisPaper", {{"I_QuestionNo", kNum},
                                                 {"I_TypeID", kNum},
                                                 {"M_StudentAnswer", kText},
                                                 {"M_TopicAns", kText},
                                                 {"M_Analysis", kText},
                                                 {"S_Score", kNum}});
    paper.AddRow({I(11), I(2), T("ans11"), T("top11"), kNull, Value::Double(2.5)});
    paper.AddRow({I(10), I(1), T("ans10"), T("top10"), T("why10"), I(2)});
    paper.AddRow({I(-5), I(1), kNull, T("top-5"), T("why-5"), I(1)});
  }

  ResultSet Run(const std::string& query) { return RunQuery(ParseQuery(query), db_); }

  // The named result column of every row, as text ("Null" for Null).
  std::vector<std::string> Column(const std::string& query, const std::string& name) {
    ResultSet r = Run(query);
    std::size_t index = r.columns().size();
    for (std::size_t i = 0; i < r.columns().size(); ++i) {
      if (FoldCase(r.columns()[i].name) == FoldCase(name)) {
        index = i;
        break;
      }
    }
    EXPECT_LT(index, r.columns().size()) << name;
    std::vector<std::string> out;
    for (std::size_t row = 0; row < r.row_count(); ++row) {
      const Value& v = r.at(row, index);
      out.push_back(v.IsNull() ? "Null" : v.ToText());
    }
    return out;
  }

  std::string ErrorOf(const std::string& query) {
    try {
      Run(query);
    } catch (const Error& e) {
      return e.what();
    }
    return "(no error)";
  }

  MemorySource db_;
};

using Texts = std::vector<std::string>;

TEST_F(QueryTest, SectionsInCommandOrderWithNullFirstAndTiesStable) {
  EXPECT_EQ(Column("select * from tbl_QuestionType order by I_CmdId", "C_DataCode"),
            (Texts{"cnull", "c1", "c2a", "c2b", "c3"}));
}

TEST_F(QueryTest, TitlesByQuotedValueInQuestionOrder) {
  std::string column = "I_TypeID", value = "单选题";
  EXPECT_EQ(
      Column("select * from tbl_title where " + column + " = '" + value + "' order by I_QuestionNo",
             "M_Title"),
      (Texts{"t10", "t12"}));
}

TEST_F(QueryTest, TitlesByUnquotedNumberMatchNumbersByValue) {
  EXPECT_EQ(Column("select * from tbl_numeric_title where I_TypeID = 5 order by I_QuestionNo",
                   "I_QuestionNo"),
            (Texts{"1", "2"}));
}

TEST_F(QueryTest, TextComparesWithoutRegardToCase) {
  EXPECT_EQ(Column("select * from tbl_title where C_DataCode = 'ab' order by I_QuestionNo",
                   "I_QuestionNo"),
            (Texts{"9", "11"}));
  EXPECT_EQ(
      Column("SELECT * FROM TBL_TITLE WHERE c_datacode = '86' ORDER BY i_questionno", "M_Title"),
      (Texts{"t10", "t12"}));
}

TEST_F(QueryTest, PassageByCodeWithAQuoteDoubledInside) {
  EXPECT_EQ(Column("select * from tbl_CommItem where C_RecCode = 'R1'", "M_Title"),
            (Texts{"passage one"}));
  EXPECT_EQ(
      Column("select * from tbl_CommItem where C_RecCode = " + SqlQuoted("O'Brien"), "M_Title"),
      (Texts{"quoted"}));
  // A value that would rewrite the query selects exactly the row holding it.
  EXPECT_EQ(Column("select * from tbl_CommItem where C_RecCode = " + SqlQuoted("x' or '1'='1"),
                   "M_Title"),
            (Texts{"trap"}));
}

TEST_F(QueryTest, OptionsOrderedByLetterWithoutRegardToCaseAndStable) {
  int number = 10;
  EXPECT_EQ(Column("select * from tbl_ChoiceVice where I_QuestionNo = " + std::to_string(number) +
                       " order by C_ChoiceAnswer",
                   "M_AnswerCont"),
            (Texts{"first", "first again", "second", "third"}));
  EXPECT_EQ(Column("select * from tbl_ChoiceVice where I_QuestionNo = -5 order by C_ChoiceAnswer",
                   "M_AnswerCont"),
            (Texts{"negative"}));
}

TEST_F(QueryTest, JoinedAnswerRowHasEveryPaperColumnAndTheRecordNumber) {
  std::string query =
      "select top 1 tbl_AnalysisPaper.*,tbl_account.I_RECNO from tbl_AnalysisPaper,tbl_account "
      "where tbl_account.I_QuestionNo =tbl_AnalysisPaper.I_QuestionNo and "
      "tbl_AnalysisPaper.I_QuestionNo= 10";
  ResultSet r = Run(query);
  ASSERT_EQ(r.row_count(), 1u);
  std::vector<std::string> names;
  for (const auto& c : r.columns())
    names.push_back(std::string(c.table) + "." + std::string(c.name));
  EXPECT_EQ(names, (Texts{"tbl_AnalysisPaper.I_QuestionNo", "tbl_AnalysisPaper.I_TypeID",
                          "tbl_AnalysisPaper.M_StudentAnswer", "tbl_AnalysisPaper.M_TopicAns",
                          "tbl_AnalysisPaper.M_Analysis", "tbl_AnalysisPaper.S_Score",
                          "tbl_Account.I_RECNO"}));
  EXPECT_EQ(r.at(0, 2).ToText(), "ans10");
  EXPECT_EQ(r.at(0, 6).ToText(), "1010");
  EXPECT_EQ(Column(query.substr(0, query.size() - 2) + "-5", "I_RECNO"), (Texts{"995"}));
  EXPECT_EQ(Column(query.substr(0, query.size() - 2) + "11", "M_Analysis"), (Texts{"Null"}));
  EXPECT_TRUE(Run(query.substr(0, query.size() - 2) + "99").row_count() == 0);
}

TEST_F(QueryTest, WholeAccountTableInTableOrder) {
  EXPECT_EQ(Column("select * from tbl_Account", "S_GetScore"), (Texts{"enc10", "enc11", "enc-5"}));
}

TEST_F(QueryTest, NullEqualsNothing) {
  EXPECT_EQ(Column("select * from tbl_title where C_RecCode = C_RecCode order by I_QuestionNo",
                   "I_QuestionNo"),
            (Texts{"9", "10", "12"}));
}

TEST_F(QueryTest, TopWithAnOrderKeepsTiesAndColumnListsProjects) {
  EXPECT_EQ(Column("select top 3 C_DataCode from tbl_QuestionType order by I_CmdId", "C_DataCode"),
            (Texts{"cnull", "c1", "c2a", "c2b"}));
  EXPECT_EQ(Column("select top 2 * from tbl_QuestionType", "C_DataCode"), (Texts{"c3", "c1"}));
  EXPECT_EQ(Column("select * from tbl_QuestionType order by I_CmdId desc", "C_DataCode"),
            (Texts{"c3", "c2a", "c2b", "c1", "cnull"}));
  ResultSet r = Run("select I_RECNO, tbl_Account.S_GetScore from tbl_Account");
  ASSERT_EQ(r.columns().size(), 2u);
  EXPECT_EQ(r.columns()[0].name, "I_RECNO");
  EXPECT_EQ(r.columns()[1].name, "S_GetScore");
}

TEST_F(QueryTest, QuotedLiteralAgainstNumberColumnIsATypeMismatch) {
  std::string query =
      "select * from tbl_ChoiceVice where I_QuestionNo = '10' order by C_ChoiceAnswer";
  EXPECT_EQ(ErrorOf(query), "标准表达式中数据类型不匹配：I_QuestionNo = '10'。查询：" + query);
}

TEST_F(QueryTest, NumberAgainstTextColumnIsATypeMismatch) {
  std::string query = "select * from tbl_title where I_TypeID = 5 order by I_QuestionNo";
  EXPECT_EQ(ErrorOf(query), "标准表达式中数据类型不匹配：I_TypeID = 5。查询：" + query);
  EXPECT_NE(ErrorOf("select * from tbl_Account where I_QuestionNo = S_GetScore"), "(no error)");
}

TEST_F(QueryTest, UnknownNamesAreReportedWithTheQuery) {
  EXPECT_EQ(ErrorOf("select * from tbl_nothing"),
            "找不到表 'tbl_nothing'。查询：select * from tbl_nothing");
  EXPECT_EQ(ErrorOf("select * from tbl_title order by I_Missing"),
            "找不到字段 'I_Missing'。查询：select * from tbl_title order by I_Missing");
  EXPECT_EQ(ErrorOf("select * from tbl_Account, tbl_AnalysisPaper where I_QuestionNo = 1"),
            "字段 'I_QuestionNo' 可以引用 FROM 子句中的多个表。查询：select * from tbl_Account, "
            "tbl_AnalysisPaper where I_QuestionNo = 1");
  EXPECT_NE(ErrorOf("select tbl_title.* from tbl_Account"), "(no error)");
  EXPECT_NE(ErrorOf("select * from tbl_Account, tbl_account"), "(no error)");
}

TEST(QueryParseTest, AnythingOutsideTheFormsIsASyntaxErrorNamingTheQuery) {
  const std::vector<std::string> bad = {
      "select * from tbl_title where I_TypeID =  order by I_QuestionNo",  // empty value
      "select * from tbl_title where C_DataCode = '86' or 1=1",
      "select * from tbl_CommItem where C_RecCode = 'a'b''",
      "select * from tbl_CommItem where C_RecCode = 'unterminated",
      "select * from tbl_title where I_QuestionNo = 5abc",
      "select * from tbl_title where I_QuestionNo > 5",
      "delete from tbl_title",
      "select * tbl_title",
      "select from tbl_title",
      "select top 0 * from tbl_title",
      "select * from tbl_title order I_QuestionNo",
      "select * from tbl_title; drop table tbl_title",
      "",
  };
  for (const std::string& query : bad) {
    SCOPED_TRACE(query);
    try {
      ParseQuery(query);
      ADD_FAILURE() << "parsed";
    } catch (const Error& e) {
      std::string text = e.what();
      EXPECT_EQ(text.rfind("查询语句语法错误", 0), 0u) << text;
      EXPECT_NE(text.find("：" + query), std::string::npos) << text;
    }
  }
}

TEST(QueryParseTest, QueriesOfOneShapeKeepTheirOwnLiterals) {
  // The first of each pair fixes the shape; the second must still come out
  // with its own literals, text and faults.
  ParseQuery("select top 2 * from t where a = 'x' and b = 5 and c = -1 order by a");
  Query q =
      ParseQuery("select top 30 * from t where a = 'O''Brien' and b = 2.5 and c = -7 order by a");
  EXPECT_EQ(q.text,
            "select top 30 * from t where a = 'O''Brien' and b = 2.5 and c = -7 order by a");
  EXPECT_EQ(q.top, 30);
  ASSERT_EQ(q.where.size(), 3u);
  EXPECT_EQ(std::get<Literal>(q.where[0].right).value, Value::Text("O'Brien"));
  EXPECT_EQ(std::get<Literal>(q.where[0].right).source, "'O'Brien'");
  EXPECT_EQ(std::get<Literal>(q.where[1].right).value, Value::Double(2.5));
  EXPECT_EQ(std::get<Literal>(q.where[2].right).value, Value::Integer(-7));
  EXPECT_EQ(std::get<Literal>(q.where[2].right).source, "-7");
  ASSERT_TRUE(q.order_by);
  EXPECT_EQ(q.order_by->column, "a");

  ParseQuery("select * from t where x = 1");
  EXPECT_EQ(
      std::get<Literal>(ParseQuery("select * from t where x = 99999999999999999999").where[0].right)
          .value,
      Value::Double(1e20));
  ParseQuery("select * from t where [x'1] = 'a'");
  EXPECT_EQ(
      std::get<ColumnRef>(ParseQuery("select * from t where [x'1] = 'b'").where[0].left).column,
      "x'1");

  for (const char* bad : {"select top 0 * from t where a = 'x' and b = 5 and c = -1 order by a",
                          "select * from t where x = 5abc", "select * from t where x = 'open"}) {
    SCOPED_TRACE(bad);
    try {
      ParseQuery(bad);
      ADD_FAILURE() << "parsed";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("：" + std::string(bad)), std::string::npos);
    }
  }
}

TEST(CollationTest, NamesCompareAsTheirFoldedForms) {
  const std::vector<std::pair<std::string, std::string>> pairs = {{"I_QuestionNo", "i_questionno"},
                                                                  {"I_QuestionNo", "I_QuestionN0"},
                                                                  {"tbl_Account", "TBL_ACCOUNT"},
                                                                  {"ÀÉÎ", "àéî"},
                                                                  {"ΣΑΒ", "σαβ"},
                                                                  {"ＡＢ", "ａｂ"},
                                                                  {"Ÿ", "ÿ"},
                                                                  {"a", "ab"},
                                                                  {"", ""},
                                                                  {"\xFF"
                                                                   "A",
                                                                   "\xFF"
                                                                   "a"},
                                                                  {"\xC3", "\xC3"},
                                                                  {"\xC3"
                                                                   "A",
                                                                   "\xE3"
                                                                   "A"},
                                                                  {"[x]", "[X]"},
                                                                  {"@", "`"}};
  for (const auto& [a, b] : pairs) {
    EXPECT_EQ(EqualsFolded(a, b), FoldCase(a) == FoldCase(b)) << a << " / " << b;
    EXPECT_EQ(EqualsFolded(b, a), FoldCase(a) == FoldCase(b)) << b << " / " << a;
  }
}

TEST(QueryParseTest, LiteralsAndNamesAsWritten) {
  Query q = ParseQuery("select * from [tbl_title] where C_RecCode = 'O''Brien' and I_X= -12.5;");
  ASSERT_EQ(q.tables, std::vector<std::string>{"tbl_title"});
  ASSERT_EQ(q.where.size(), 2u);
  EXPECT_EQ(std::get<Literal>(q.where[0].right).value, Value::Text("O'Brien"));
  EXPECT_EQ(std::get<Literal>(q.where[1].right).value, Value::Double(-12.5));
  EXPECT_FALSE(q.top);
}

}  // namespace
}  // namespace generatesheet
