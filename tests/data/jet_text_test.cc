// Jet 4 text bytes, plain UTF-16LE and compressed, turned into UTF-8.
#include "data/jet_text.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace generatesheet {
namespace {

struct JetTextCase {
  const char* what;
  std::vector<unsigned char> bytes;
  std::string utf8;
};

std::vector<unsigned char> Utf16Le(std::u16string_view text) {
  std::vector<unsigned char> bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<unsigned char>(unit & 0xFF));
    bytes.push_back(static_cast<unsigned char>(unit >> 8));
  }
  return bytes;
}

TEST(JetTextTest, DecodesBothFormsRunByRun) {
  const std::vector<JetTextCase> cases = {
      {"empty", {}, ""},
      {"plain UTF-16", {0x41, 0x00, 0x62, 0x00, 0x2D, 0x4E}, "Ab中"},
      {"plain ASCII then Latin-1", {0x41, 0x00, 0x42, 0x00, 0xE9, 0x00, 0x43, 0x00}, "ABéC"},
      {"odd trailing byte dropped", {0x41, 0x00, 0x42}, "A"},
      {"long plain runs around other characters",
       Utf16Le(u"The quick brown fox jumps 中文 over é the lazy dog, 123456789"),
       "The quick brown fox jumps 中文 over é the lazy dog, 123456789"},
      {"a plain run longer than a block", Utf16Le(std::u16string(1000, u'a') + u"\u00FF"),
       std::string(1000, 'a') + "\u00FF"},
      {"a unit with a high byte inside an eight-unit block",
       Utf16Le(u"abcdefg\u0161hijklmnopqrstuv\u0100wxyz0123456789"),
       "abcdefg\u0161hijklmnopqrstuv\u0100wxyz0123456789"},
      {"non-ASCII low byte inside a block", Utf16Le(u"abcdefghijk\u00FFlmnop"),
       "abcdefghijk\u00FFlmnop"},
      {"a Chinese run longer than a block, then a pair",
       Utf16Le(std::u16string(300, u'\u6587') + u"\u07FF\u0800\uFFFF\u0080\U0001F600z"),
       [] {
         std::string s;
         for (int i = 0; i < 300; ++i) s += "\u6587";
         return s + "\u07FF\u0800\uFFFF\u0080\U0001F600z";
       }()},
      {"compressed ASCII", {0xFF, 0xFE, 'H', 'e', 'l', 'l', 'o'}, "Hello"},
      {"compressed Latin-1", {0xFF, 0xFE, 'c', 'a', 'f', 0xE9}, "café"},
      {"compressed, UTF-16, compressed",
       {0xFF, 0xFE, 'a', 'b', 0x00, 0x2D, 0x4E, 0x87, 0x65, 0x00, 'c', 'd'},
       "ab中文cd"},
      {"marker only", {0xFF, 0xFE}, ""},
      {"trailing switch", {0xFF, 0xFE, 'a', 0x00}, "a"},
      {"surrogate pair", {0x3D, 0xD8, 0x00, 0xDE}, "\U0001F600"},
      {"unpaired high surrogate at the end", {0x41, 0x00, 0x3D, 0xD8}, "A\uFFFD"},
      {"unpaired high surrogate before a letter", {0x3D, 0xD8, 0x41, 0x00}, "\uFFFDA"},
      {"unpaired low surrogate", {0x00, 0xDE, 0x41, 0x00}, "\uFFFDA"},
      {"pair across an empty compressed run",
       {0xFF, 0xFE, 0x00, 0x3D, 0xD8, 0x00, 0x00, 0x01, 0xDE},
       "\U0001F601"},
      {"high surrogate before compressed text",
       {0xFF, 0xFE, 0x00, 0x3D, 0xD8, 0x00, 'x'},
       "\uFFFDx"},
  };
  for (const JetTextCase& c : cases) {
    EXPECT_EQ(DecodeJetText(c.bytes.data(), c.bytes.size()), c.utf8) << c.what;
  }
}

}  // namespace
}  // namespace generatesheet
