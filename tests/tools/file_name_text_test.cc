// File names made fit for a line of output and kept exact in base64.
#include "tools/archive/file_name_text.h"
#include "util/base64.h"

#include <gtest/gtest.h>

#include <string>

namespace generatesheet::cli {
namespace {

TEST(FileNameTextTest, EveryNameIsPrintedOnOneLineAndNoTwoAlike) {
  const std::pair<std::string, std::string> cases[] = {
      {"1001.html", "1001.html"},
      {"学生 李明.html", "学生 李明.html"},
      {"a\\x0a", "a\\\\x0a"},  // a backslash is doubled, so no name passes for an escape
      {"a\nb\rc\td", "a\\x0ab\\x0dc\\x09d"},
      {std::string("nul\0x", 5), "nul\\x00x"},
      {"del\x7f", "del\\x7f"},
      {"c1\xc2\x85", "c1\\xc2\\x85"},    // U+0085, next line
      {"c1\xc2\x9f", "c1\\xc2\\x9f"},    // U+009F, the last C1 control
      {"keep\xc2\xa0", "keep\xc2\xa0"},  // U+00A0, a space to print
      {"ls\xe2\x80\xa8ps\xe2\x80\xa9", "ls\\xe2\\x80\\xa8ps\\xe2\\x80\\xa9"},
      {"\xe2\x80\x8e\xe2\x80\x8f", "\\xe2\\x80\\x8e\\xe2\\x80\\x8f"},  // LRM, RLM
      {"\xe2\x80\xaa\xe2\x80\xae", "\\xe2\\x80\\xaa\\xe2\\x80\\xae"},  // LRE, RLO
      {"\xe2\x81\xa6\xe2\x81\xa9", "\\xe2\\x81\\xa6\\xe2\\x81\\xa9"},  // LRI, PDI
      {"\xe2\x80\xa7\xe2\x80\xaf\xe2\x81\xa5\xe2\x81\xaa",             // their neighbours
       "\xe2\x80\xa7\xe2\x80\xaf\xe2\x81\xa5\xe2\x81\xaa"},
      {"caf\xe9.txt", "caf\\xe9.txt"},  // Latin-1, not UTF-8
      {"\xe4\xb8", "\\xe4\\xb8"},       // cut short
      {"~ \x1f", "~ \\x1f"},
  };
  for (const auto& [name, printed] : cases) {
    EXPECT_EQ(PrintableName(name), printed);
  }
}

TEST(Base64Test, KeepsEveryByte) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  for (const std::string& bytes :
       {std::string(), std::string("a"), std::string("ab"), std::string("caf\xe9"), all}) {
    std::string decoded;
    EXPECT_TRUE(DecodeBase64(EncodeBase64(bytes), &decoded));
    EXPECT_EQ(decoded, bytes);
  }
  EXPECT_EQ(EncodeBase64("caf\xe9.txt"), "Y2Fm6S50eHQ=");
  EXPECT_EQ(EncodeBase64("ab"), "YWI=");
  EXPECT_EQ(EncodeBase64("a"), "YQ==");
  std::string decoded;
  EXPECT_TRUE(DecodeBase64("Y2Fm6S50eHQ=", &decoded));
  EXPECT_EQ(decoded, "caf\xe9.txt");
  for (const char* bad : {"%%%", "Y2Fm6S50eHQ", "Y2Fm6S50eHQ=x", "Y2Fm 6S50eHQ="}) {
    EXPECT_FALSE(DecodeBase64(bad, &decoded)) << bad;
  }
}

}  // namespace
}  // namespace generatesheet::cli
