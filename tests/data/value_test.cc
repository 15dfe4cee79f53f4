// Conversions of field values and the literals put into query texts.
#include "data/value.h"

#include <gtest/gtest.h>

#include <functional>

#include "data/sql_literal.h"
#include "support/error_text.h"
#include "util/error.h"

namespace generatesheet {
namespace {

using testing::ErrorOf;

TEST(ValueTest, NumbersBecomePlainDecimalText) {
  EXPECT_EQ(Value::Integer(-5).ToText(), "-5");
  EXPECT_EQ(Value::Integer(20030101).ToText(), "20030101");
  EXPECT_EQ(Value::Double(1.5).ToText(), "1.5");
  EXPECT_EQ(Value::Double(3).ToText(), "3");
  EXPECT_EQ(Value::Double(100000).ToText(), "100000");
  EXPECT_EQ(Value::Double(0.1).ToText(), "0.1");
  EXPECT_EQ(Value::Double(-0.0).ToText(), "0");
  EXPECT_EQ(Value::Double(2.0 / 3).ToText(), "0.6666666666666666");
  EXPECT_EQ(Value::Boolean(true).ToText(), "True");
  EXPECT_EQ(Value::Boolean(false).ToText(), "False");
  EXPECT_EQ(Value::Text("").ToText(), "");
  EXPECT_EQ(Value::Text("单选题").ToText(), "单选题");
}

TEST(ValueTest, NullHasNoTextAndTheErrorNamesTheColumn) {
  EXPECT_EQ(ErrorOf([] { Value().ToText("M_Title"); }),
            "无效使用 Null：字段 M_Title 的值为 Null，无法转换为文本");
  EXPECT_EQ(ErrorOf([] { Value().ToText(); }), "无效使用 Null");
  EXPECT_TRUE(Value().IsNull());
  EXPECT_FALSE(Value::Text("").IsNull());
}

TEST(ValueTest, ToInt16RoundsHalfToEven) {
  EXPECT_EQ(Value::Double(2.5).ToInt16(), 2);
  EXPECT_EQ(Value::Double(3.5).ToInt16(), 4);
  EXPECT_EQ(Value::Double(-2.5).ToInt16(), -2);
  EXPECT_EQ(Value::Double(1.4999).ToInt16(), 1);
  EXPECT_EQ(Value::Integer(-32768).ToInt16(), -32768);
  EXPECT_EQ(Value::Boolean(true).ToInt16(), -1);
}

TEST(ValueTest, ToInt16ReadsTextAsANumber) {
  EXPECT_EQ(Value::Text("12").ToInt16(), 12);
  EXPECT_EQ(Value::Text(" 7 ").ToInt16(), 7);
  EXPECT_EQ(Value::Text("12.5").ToInt16(), 12);
  EXPECT_EQ(Value::Text("-3").ToInt16(), -3);
  EXPECT_EQ(ErrorOf([] { Value::Text("abc").ToInt16("S_Score"); }),
            "类型不匹配：字段 S_Score 的值 'abc' 不是数字");
  EXPECT_NE(ErrorOf([] { Value::Text("").ToInt16(); }), "(no error)");
}

TEST(ValueTest, ToInt16RefusesNullAndValuesOutOfRange) {
  EXPECT_EQ(ErrorOf([] { Value::Integer(32768).ToInt16("I_QuestionNo"); }),
            "溢出：字段 I_QuestionNo 的值 32768 超出 -32768 到 32767 的范围");
  EXPECT_EQ(ErrorOf([] { Value::Double(32767.5).ToInt16(); }),
            "溢出：值 32767.5 超出 -32768 到 32767 的范围");
  EXPECT_EQ(ErrorOf([] { Value::Text("1e9").ToInt16(); }),
            "溢出：值 1000000000 超出 -32768 到 32767 的范围");
  EXPECT_EQ(ErrorOf([] { Value().ToInt16("S_Score"); }),
            "无效使用 Null：字段 S_Score 的值为 Null，无法转换为整数");
}

TEST(SqlLiteralTest, QuotedDoublesEveryQuote) {
  EXPECT_EQ(SqlQuoted("86"), "'86'");
  EXPECT_EQ(SqlQuoted("O'Brien"), "'O''Brien'");
  EXPECT_EQ(SqlQuoted("'"), "''''");
  EXPECT_EQ(SqlQuoted(""), "''");
}

TEST(SqlLiteralTest, IntegerAcceptsOnlyDecimalIntegers) {
  EXPECT_EQ(SqlInteger("5"), "5");
  EXPECT_EQ(SqlInteger("-12"), "-12");
  EXPECT_EQ(ErrorOf([] { SqlInteger("5 or 1=1"); }), "查询值不是整数：5 or 1=1");
  EXPECT_NE(ErrorOf([] { SqlInteger(""); }), "(no error)");
  EXPECT_NE(ErrorOf([] { SqlInteger("-"); }), "(no error)");
  EXPECT_NE(ErrorOf([] { SqlInteger("1.5"); }), "(no error)");
}

}  // namespace
}  // namespace generatesheet
