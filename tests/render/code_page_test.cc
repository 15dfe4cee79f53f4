#include "render/code_page.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

#include "util/text_encoding.h"

namespace generatesheet {
namespace {

// The code pages read through tables, each against iconv reading the same
// bytes: every byte and every byte pair, then random mixes of lead bytes,
// trail bytes and ASCII, so the text around a bad byte is checked too.
struct TablePage {
  int code_page;
  const char* iconv_name;
};
constexpr TablePage kTablePages[] = {{936, "CP936"}, {1252, "CP1252"}};

std::string ThroughTable(const std::string& bytes, int code_page) {
  std::string out = "<";  // what is already there stays
  AppendCodePageBytes(bytes, code_page, &out);
  return out;
}

std::string ThroughIconv(const std::string& bytes, const char* name) {
  return "<" + DecodeToUtf8(bytes, TextEncoding{name, ""});
}

TEST(CodePageTableTest, EveryByteAndPairDecodesAsIconvDecodesIt) {
  for (const TablePage& page : kTablePages) {
    SCOPED_TRACE(page.code_page);
    int mismatches = 0;
    for (int first = 0; first < 256; ++first) {
      const std::string single(1, static_cast<char>(first));
      if (ThroughTable(single, page.code_page) != ThroughIconv(single, page.iconv_name)) {
        ADD_FAILURE() << "byte " << first;
        ++mismatches;
      }
      for (int second = 0; second < 256 && mismatches < 10; ++second) {
        const std::string pair = {static_cast<char>(first), static_cast<char>(second)};
        if (ThroughTable(pair, page.code_page) != ThroughIconv(pair, page.iconv_name)) {
          ADD_FAILURE() << "bytes " << first << " " << second;
          ++mismatches;
        }
      }
    }
  }
}

TEST(CodePageTableTest, MixedRunsDecodeAsIconvDecodesThem) {
  // Lead bytes, trail bytes that are letters or symbols, bytes no pair takes.
  const std::string alphabet("\x81\xA1\xB0\xD6\xFE\x80\xFF\x40\x7F\xA0\x5C\x20\x61\x00\xE9", 15);
  std::mt19937 random(7);
  for (const TablePage& page : kTablePages) {
    SCOPED_TRACE(page.code_page);
    for (int round = 0; round < 3000; ++round) {
      std::string bytes(1 + random() % 9, ' ');
      for (char& c : bytes) c = alphabet[random() % alphabet.size()];
      ASSERT_EQ(ThroughTable(bytes, page.code_page), ThroughIconv(bytes, page.iconv_name))
          << testing::PrintToString(bytes);
    }
  }
}

TEST(CodePageTableTest, ThreadsFillingTheTableAtOnceAgree) {
  // Every thread decodes every GBK pair of some lead bytes no other test has
  // asked for yet, in a different order.
  std::string text;
  for (int lead = 0xF0; lead <= 0xF7; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      text += static_cast<char>(lead);
      text += static_cast<char>(trail);
    }
  }
  const std::string expected = ThroughIconv(text, "CP936");
  std::vector<std::string> results(4);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      std::string reordered = text.substr(t * 2 * 64) + text.substr(0, t * 2 * 64);
      std::string out = ThroughTable(reordered, 936);
      results[t] = ThroughTable(text, 936);
      if (out != ThroughIconv(reordered, "CP936")) results[t] = "mismatch in reordered text";
    });
  }
  for (auto& thread : threads) thread.join();
  for (const std::string& result : results) EXPECT_EQ(result, expected);
}

}  // namespace
}  // namespace generatesheet
