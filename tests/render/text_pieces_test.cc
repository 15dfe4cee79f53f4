// The small pieces the renderers share: numerals, answer letters, HTML text
// and the exact score total.
#include <gtest/gtest.h>

#include "generatesheet/question_result.h"
#include "render/text_helpers.h"
#include "util/error.h"
#include "util/html_text.h"
#include "util/score_total.h"

namespace generatesheet {
namespace {

TEST(ToChineseNumeral, MapsOneToTenExactlyAndNothingElse) {
  EXPECT_EQ("一", ToChineseNumeral("1"));
  EXPECT_EQ("九", ToChineseNumeral("9"));
  EXPECT_EQ("十", ToChineseNumeral("10"));
  for (const char* unchanged : {"11", "01", " 1", "", "0", "-1"}) {
    EXPECT_EQ(unchanged, ToChineseNumeral(unchanged));
  }
}

TEST(AnswerCodeToLetter, MapsTheFourCodesAndPassesTheRest) {
  EXPECT_EQ("A", AnswerCodeToLetter("1"));
  EXPECT_EQ("B", AnswerCodeToLetter("2"));
  EXPECT_EQ("C", AnswerCodeToLetter("4"));
  EXPECT_EQ("D", AnswerCodeToLetter("8"));
  for (const char* unchanged : {"3", " 1", "A", "", "16"}) {
    EXPECT_EQ(unchanged, AnswerCodeToLetter(unchanged));
  }
}

TEST(FirstLineOf, GivesTheFirstLineThatIsNotBlankTrimmedAndCut) {
  const struct {
    const char* text;
    size_t max;
    const char* line;
  } cases[] = {
      {"", 40, ""},
      {" \t\u3000\r\n \n", 40, ""},
      {"题目一", 40, "题目一"},
      {"\r\n\n  第一行  \r\n第二行", 40, "第一行"},
      {"\u3000\u00A0甲\u2028乙", 40, "甲"},
      {"a\tb\x01"
       "c",
       40, "a b c"},
      {"一二三四五", 5, "一二三四五"},
      {"一二三四五六", 5, "一二三四五…"},
      {"一二 三四", 3, "一二…"},  // no blank left before the mark
      {"ab\xFF"
       "cd",
       40, "ab\uFFFDcd"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FirstLineOf(c.text, c.max), c.line) << c.text;
  }
}

TEST(HtmlText, EscapesMarkupAndShowsLineBreaks) {
  EXPECT_EQ("&lt;script&gt;alert(&quot;x&quot;&amp;&#39;y&#39;)&lt;/script&gt;",
            EscapeHtml("<script>alert(\"x\"&'y')</script>"));
  EXPECT_EQ("a<br>b<br>c<br>&lt;", PlainTextToHtml("a\nb\r\nc\r<"));
  EXPECT_EQ("", PlainTextToHtml(""));
  EXPECT_EQ("<br><br>x&amp;<br>", PlainTextToHtml("\r\r\nx&\r\n"));
  EXPECT_EQ("line\r\nkept &gt;", EscapeHtml("line\r\nkept >"));
}

TEST(HtmlText, EachSpecialCharacterIsFoundAtEveryPlaceInALongText) {
  struct Case {
    std::string special, escaped, shown;  // shown: with line breaks
  };
  const Case cases[] = {{"&", "&amp;", "&amp;"},    {"<", "&lt;", "&lt;"},   {">", "&gt;", "&gt;"},
                        {"\"", "&quot;", "&quot;"}, {"'", "&#39;", "&#39;"}, {"\n", "\n", "<br>"},
                        {"\r", "\r", "<br>"},       {"\r\n", "\r\n", "<br>"}};
  const std::string filler = "中文 text: no byte here is special.";
  for (const Case& c : cases) {
    for (std::size_t at = 0; at <= filler.size(); ++at) {
      SCOPED_TRACE(testing::PrintToString(c.special) + " at " + std::to_string(at));
      const std::string before = filler.substr(0, at);
      const std::string after = filler.substr(at) + filler;
      EXPECT_EQ(EscapeHtml(before + c.special + after), before + c.escaped + after);
      EXPECT_EQ(PlainTextToHtml(before + c.special + after), before + c.shown + after);
      EXPECT_EQ(PlainTextToHtml(before + c.special), before + c.shown);
    }
  }
}

std::string Sum(std::initializer_list<const char*> scores) {
  ScoreTotal total;
  for (const char* s : scores) total.Add(s, "1");
  return total.ToString();
}

TEST(ScoreTotal, AddsExactlyAndShowsTheShortestForm) {
  EXPECT_EQ("0", Sum({}));
  EXPECT_EQ("2.5", Sum({"0.5", "0.5", "1.5"}));
  EXPECT_EQ("3.5", Sum({"2.5", "1"}));
  EXPECT_EQ("0.3", Sum({"0.1", "0.2"}));  // binary floating point gives 0.30000000000000004
  EXPECT_EQ("-1", Sum({"1", "-2"}));
  EXPECT_EQ("3", Sum({" 1.50 ", "+1.5"}));
  EXPECT_EQ("40000", Sum({"20000", "20000"}));  // beyond a 16-bit total
}

TEST(ScoreTotal, RefusesTextThatIsNotADecimalNumber) {
  for (const char* bad : {"", " ", "abc", "1.2.3", "1e3", "-", ".", "0x10", "1,5"}) {
    ScoreTotal total;
    EXPECT_THROW(total.Add(bad, "7"), Error) << bad;
  }
  ScoreTotal total;
  try {
    total.Add("x", "7");
  } catch (const Error& e) {
    EXPECT_STREQ("第 7 题的得分不是有效的数字", e.what());
  }
  // The largest scores accepted one by one: their sum leaves the range, and
  // is refused before it is made, naming the question; the total stays.
  for (const char* sign : {"", "-"}) {
    ScoreTotal big;
    const std::string score = std::string(sign) + "99999999999999999999";
    big.Add(score, "1");
    try {
      big.Add(score, "2");
      ADD_FAILURE() << "no overflow reported";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()),
                "加上第 2 题的得分 " + score + " 后，总和超出可表示的范围（±10^20）");
    }
    EXPECT_EQ(big.ToString(), score);
  }
}

}  // namespace
}  // namespace generatesheet

namespace generatesheet {
namespace {

// Results as JSON: every text escaped, and bytes that are not UTF-8
// replaced, so hosts always get valid JSON.
TEST(ResultsJsonTest, EscapesAndReplacesWhatJsonCannotHold) {
  QuestionResult r;
  r.number = -3;
  r.family = QuestionFamily::kCompound;
  r.choice = true;
  r.options = {"A", "\"B\""};
  r.student_answer = "a\\b\n\x01\xff中";
  r.student_answered = true;
  r.standard_answer = "";
  r.obtained = "1.5";
  r.verdict = Verdict::kUnknown;
  r.error = "第 3 题的满分（S_Score）为空";
  EXPECT_EQ(
      "[{\"number\":-3,\"family\":\"compound\",\"choice\":true,\"options\":[\"A\",\"\\\"B\\\"\"],"
      "\"student_answer\":\"a\\\\b\\n\\u0001\xEF\xBF\xBD中\",\"standard_answer\":\"\","
      "\"obtained\":\"1.5\",\"full\":null,\"verdict\":\"unknown\","
      "\"error\":\"第 3 题的满分（S_Score）为空\"}]",
      ResultsToJson({r}));
  EXPECT_EQ("[]", ResultsToJson({}));
}

}  // namespace
}  // namespace generatesheet
