#include "util/text_encoding.h"

#include <gtest/gtest.h>

#include <utility>

#include "util/error.h"

namespace generatesheet {
namespace {

TEST(DetectTemplateEncoding, FollowsBomThenUtf8ThenMetaThenGb18030) {
  EXPECT_EQ("UTF-8", DetectTemplateEncoding("\xEF\xBB\xBF<html>").name);
  EXPECT_EQ("UTF-16LE", DetectTemplateEncoding("\xFF\xFE<\0").name);
  EXPECT_EQ("UTF-8", DetectTemplateEncoding("<meta charset=gbk>中文").name);
  const std::string gbk_bytes = "\xD6\xD0\xCE\xC4";  // 中文 in GBK
  EXPECT_EQ("GB18030", DetectTemplateEncoding("<p>" + gbk_bytes).name);
  EXPECT_EQ("BIG5-HKSCS", DetectTemplateEncoding("<meta charset=\"Big5\"><p>" + gbk_bytes).name);
  EXPECT_EQ("GB18030",
            DetectTemplateEncoding("<meta http-equiv=\"Content-Type\" content=\"text/html; "
                                   "charset=gb2312\">" +
                                   gbk_bytes)
                .name);
  // A label iconv does not know falls back to the legacy Chinese default.
  EXPECT_EQ("GB18030", DetectTemplateEncoding("<meta charset=klingon>" + gbk_bytes).name);
}

// UTF-32 is refused by its mark, in either byte order; UTF-16 (whose
// little-endian mark opens UTF-32LE's) is not.
TEST(RefuseUtf32, RefusesBothMarksOfUtf32Only) {
  const std::pair<std::string, bool> cases[] = {
      {std::string("\xFF\xFE\0\0<\0\0\0", 8), true},
      {std::string("\0\0\xFE\xFF\0\0\0<", 8), true},
      {std::string("\xFF\xFE<\0", 4), false},
      {std::string("\xFE\xFF\0<", 4), false},
      {std::string("\xFF\xFE\0", 3), false},
      {"<html>", false},
      {"", false},
  };
  for (const auto& [bytes, refused] : cases) {
    SCOPED_TRACE(::testing::PrintToString(bytes));
    if (refused) {
      try {
        RefuseUtf32(bytes, "模板", "/t/a.html");
        ADD_FAILURE() << "not refused";
      } catch (const Error& e) {
        EXPECT_STREQ("模板的编码是 UTF-32，无法读取（请存为 UTF-8）：/t/a.html", e.what());
      }
    } else {
      EXPECT_NO_THROW(RefuseUtf32(bytes, "模板", "/t/a.html"));
    }
  }
}

TEST(DetectTemplateEncoding, MetaBeyondTheFirstKilobyteIsIgnored) {
  const std::string late = std::string(1100, ' ') + "<meta charset=big5>\xD6\xD0";
  EXPECT_EQ("GB18030", DetectTemplateEncoding(late).name);
}

TEST(TextEncodingRoundTrip, Gb18030KeepsMiddleDotAndEmDash) {
  // GB2312 would map these two differently; GB18030 round-trips them.
  const std::string utf8 = "试卷·答题—完";
  const TextEncoding gb{"GB18030", ""};
  const std::string bytes = EncodeFromUtf8(utf8, gb);
  EXPECT_EQ(utf8, DecodeToUtf8(bytes, gb));
}

TEST(TextEncodingRoundTrip, BomIsDroppedOnReadAndRestoredOnWrite) {
  const std::string file =
      "\xEF\xBB\xBF"
      "abc";
  const TextEncoding enc = DetectTemplateEncoding(file);
  EXPECT_EQ("abc", DecodeToUtf8(file, enc));
  EXPECT_EQ(file, EncodeFromUtf8("abc", enc));
}

TEST(TextEncoding, InvalidBytesBecomeReplacementCharacters) {
  const TextEncoding utf8{"UTF-8", ""};
  EXPECT_EQ(
      "a\xEF\xBF\xBD"
      "b",
      DecodeToUtf8("a\xFF"
                   "b",
                   utf8));
  EXPECT_EQ("a\xEF\xBF\xBD", DecodeToUtf8("a\xE4\xB8", utf8));  // cut short
}

TEST(TextEncoding, UnrepresentableCharactersBecomeCharacterReferences) {
  const TextEncoding latin{"CP1252", ""};
  EXPECT_EQ("caf\xE9 &#20013;&#131072;", EncodeFromUtf8("café 中𠀀", latin));
}

}  // namespace
}  // namespace generatesheet
