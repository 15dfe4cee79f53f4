#include "util/utf8.h"

#include <gtest/gtest.h>

namespace generatesheet {
namespace {

std::string Encode(char32_t c) {
  std::string out;
  AppendUtf8(c, &out);
  return out;
}

TEST(Utf8, EncodesEveryPlaneAndReplacesWhatIsNoCharacter) {
  EXPECT_EQ("A", Encode(U'A'));
  EXPECT_EQ("é", Encode(U'é'));
  EXPECT_EQ("中", Encode(U'中'));
  EXPECT_EQ("𠀀", Encode(U'𠀀'));
  EXPECT_EQ("\xEF\xBF\xBD", Encode(0xD800));
  EXPECT_EQ("\xEF\xBF\xBD", Encode(0x110000));
}

TEST(Utf8, DecodesStrictlyAndStepsOneByteOverBadBytes) {
  const std::string text = "a中𠀀";
  std::size_t pos = 0;
  char32_t c = 0;
  ASSERT_TRUE(NextCodePoint(text, &pos, &c));
  EXPECT_EQ(U'a', c);
  ASSERT_TRUE(NextCodePoint(text, &pos, &c));
  EXPECT_EQ(U'中', c);
  ASSERT_TRUE(NextCodePoint(text, &pos, &c));
  EXPECT_EQ(U'𠀀', c);
  EXPECT_EQ(text.size(), pos);

  for (const std::string bad :
       {"\xC0\xAF", "\xED\xA0\x80", "\xE4\xB8", "\x80", "\xF5\x80\x80\x80"}) {
    pos = 0;
    EXPECT_FALSE(NextCodePoint(bad, &pos, &c)) << bad;
    EXPECT_EQ(1u, pos);
    EXPECT_FALSE(IsValidUtf8(bad));
    // Found after and between runs of ASCII long enough to be taken by the word.
    EXPECT_FALSE(IsValidUtf8("plain ascii text " + bad + " more ascii text")) << bad;
  }
  EXPECT_TRUE(IsValidUtf8("中文 ascii 𠀀"));
  EXPECT_TRUE(IsValidUtf8("a longer run of ascii, then 中文, then ascii again 𠀀"));
  EXPECT_TRUE(IsValidUtf8(""));
}

// Strict UTF-8 as NextCodePoint reads it, one code point at a time.
bool ValidByCodePoints(std::string_view text) {
  std::size_t pos = 0;
  char32_t c = 0;
  while (pos < text.size()) {
    if (!NextCodePoint(text, &pos, &c)) return false;
  }
  return true;
}

TEST(Utf8, TheValidityCheckAgreesWithTheDecoderOnEveryShortSequence) {
  const std::string thirds = std::string("\x00\x41\x7F\x80\x8F\x90\x9F\xA0\xBF\xC0\xE4\xFF", 12);
  for (int first = 0x80; first < 0x100; ++first) {
    for (int second = 0; second < 0x100; ++second) {
      for (const char third : thirds) {
        const std::string bytes = {static_cast<char>(first), static_cast<char>(second), third};
        for (const std::string& text :
             {bytes.substr(0, 2), bytes, "eight ch" + bytes + "\x80\x80", bytes + "\xBF"}) {
          ASSERT_EQ(IsValidUtf8(text), ValidByCodePoints(text)) << testing::PrintToString(text);
        }
      }
    }
  }
}

}  // namespace
}  // namespace generatesheet
