// The ciphertext base64 decoder accepts and refuses exactly what
// libsodium's strict decoder does, and decodes to the same bytes.
#include "util/base64.h"

#include <gtest/gtest.h>
#include <sodium.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

namespace generatesheet {
namespace {

// libsodium's answer: the bytes, or nothing when the text is refused.
std::optional<std::vector<unsigned char>> SodiumDecode(const std::string& text) {
  std::vector<unsigned char> bytes(text.size() / 4 * 3 + 3);
  size_t length = 0;
  const char* end = nullptr;
  if (sodium_base642bin(bytes.data(), bytes.size(), text.data(), text.size(), nullptr, &length,
                        &end, sodium_base64_VARIANT_ORIGINAL) != 0 ||
      end != text.data() + text.size()) {
    return std::nullopt;
  }
  bytes.resize(length);
  return bytes;
}

void ExpectSameAsSodium(const std::string& text) {
  std::vector<unsigned char> bytes;
  const bool accepted = DecodeBase64(text, &bytes);
  const auto expected = SodiumDecode(text);
  ASSERT_EQ(accepted, expected.has_value()) << "\"" << text << "\"";
  if (accepted) {
    EXPECT_EQ(bytes, *expected) << "\"" << text << "\"";
  }
}

TEST(Base64Test, AgreesWithLibsodiumOnEdgeCases) {
  for (const char* text :
       {"",     "QQ==",     "QUI=", "QUJD",  "QUJDRA==", "QR==",  "QUJ=",     "Q===",
        "====", "QQ=",      "QQ",   "QUJDR", "QUJD\n",   "QU JD", "QQ==QUJD", "QUJD=",
        "=QUJ", "QUJD-_8=", "+/+/", "AA==",  "//8=",     "////",  "QQ=A",     "QUI*"}) {
    ExpectSameAsSodium(text);
  }
}

TEST(Base64Test, AgreesWithLibsodiumOnRandomTexts) {
  const std::string alphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=-_ \n*";
  std::mt19937 random(7);
  for (int i = 0; i < 20000; ++i) {
    std::string text(random() % 13, 'A');
    // Mostly valid characters, so that many texts decode.
    for (char& c : text) c = alphabet[random() % (random() % 4 == 0 ? alphabet.size() : 64)];
    if (random() % 3 == 0 && text.size() >= 2) text[text.size() - 1] = '=';
    if (random() % 5 == 0 && text.size() >= 2) text[text.size() - 2] = '=';
    ExpectSameAsSodium(text);
  }
}

}  // namespace
}  // namespace generatesheet
