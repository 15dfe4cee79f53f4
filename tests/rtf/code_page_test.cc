#include "rtf/code_page.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "util/text_encoding.h"
#include "util/utf8.h"

namespace generatesheet {
namespace {

// The code pages read through tables, each against iconv reading the same
// bytes: every byte and every byte pair, then random mixes of lead bytes,
// trail bytes and ASCII, so the text around a bad byte is checked too.
// Code page 936 is read as GB18030 but for what Windows reads otherwise
// (ReadAsGb18030), checked on its own below.
struct TablePage {
  int code_page;
  const char* iconv_name;
};
constexpr TablePage kTablePages[] = {{936, "GB18030"}, {1252, "CP1252"}};

bool IsDigit(int byte) { return byte >= '0' && byte <= '9'; }

// The pairs Windows reads as private-use code points and Unicode has
// characters for: code page 936 reads them as those characters, whatever
// the iconv at hand reads.
struct OwnCharacter {
  const char* bytes;
  char32_t windows_reads;  // a private-use code point
  char32_t code_point;
};
constexpr OwnCharacter kOwnCharacters[] = {
    {"\xA6\xD9", 0xE78D, 0xFE10},  {"\xA6\xDA", 0xE78E, 0xFE12},  {"\xA6\xDB", 0xE78F, 0xFE11},
    {"\xA6\xDC", 0xE790, 0xFE13},  {"\xA6\xDD", 0xE791, 0xFE14},  {"\xA6\xDE", 0xE792, 0xFE15},
    {"\xA6\xDF", 0xE793, 0xFE16},  {"\xA6\xEC", 0xE794, 0xFE17},  {"\xA6\xED", 0xE795, 0xFE18},
    {"\xA6\xF3", 0xE796, 0xFE19},  {"\xA8\xBC", 0xE7C7, 0x1E3F},  {"\xFE\x51", 0xE816, 0x20087},
    {"\xFE\x52", 0xE817, 0x20089}, {"\xFE\x53", 0xE818, 0x200CC}, {"\xFE\x59", 0xE81E, 0x9FB4},
    {"\xFE\x61", 0xE826, 0x9FB5},  {"\xFE\x66", 0xE82B, 0x9FB6},  {"\xFE\x67", 0xE82C, 0x9FB7},
    {"\xFE\x6C", 0xE831, 0x215D7}, {"\xFE\x6D", 0xE832, 0x9FB8},  {"\xFE\x76", 0xE83B, 0x2298F},
    {"\xFE\x7E", 0xE843, 0x9FB9},  {"\xFE\x90", 0xE854, 0x9FBA},  {"\xFE\x91", 0xE855, 0x241FE},
    {"\xFE\xA0", 0xE864, 0x9FBB},
};

bool IsOwnCharacter(int first, int second) {
  for (const OwnCharacter& own : kOwnCharacters) {
    if (static_cast<unsigned char>(own.bytes[0]) == first &&
        static_cast<unsigned char>(own.bytes[1]) == second) {
      return true;
    }
  }
  return false;
}

// Whether code page 936 reads `first` alone, or followed by `second`, as
// GB18030 does: not with 0x80 standing alone, nor a lead byte and a digit
// (the start of a four-byte character).
bool ReadAsGb18030(int first, int second = -1) {
  const bool lead = first >= 0x81 && first <= 0xFE;
  return first != 0x80 && !(lead ? IsDigit(second) : second == 0x80);
}

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
    const bool gbk = page.code_page == 936;
    for (int first = 0; first < 256; ++first) {
      const std::string single(1, static_cast<char>(first));
      if ((!gbk || ReadAsGb18030(first)) &&
          ThroughTable(single, page.code_page) != ThroughIconv(single, page.iconv_name)) {
        ADD_FAILURE() << "byte " << first;
        ++mismatches;
      }
      for (int second = 0; second < 256 && mismatches < 10; ++second) {
        const std::string pair = {static_cast<char>(first), static_cast<char>(second)};
        if (gbk && (!ReadAsGb18030(first, second) || IsOwnCharacter(first, second))) continue;
        if (ThroughTable(pair, page.code_page) != ThroughIconv(pair, page.iconv_name)) {
          ADD_FAILURE() << "bytes " << first << " " << second;
          ++mismatches;
        }
      }
    }
  }
}

std::string Utf8(char32_t code_point) {
  std::string out;
  AppendUtf8(code_point, &out);
  return out;
}

// The pairs that Windows reads as private-use code points are read as the
// characters Unicode gave them, alone and amid other text; the code points
// next to them in Windows' table are untouched.
TEST(CodePage936Test, ReadsTheCharactersWindowsPutInThePrivateUseArea) {
  std::string all_bytes, all_text;
  for (const OwnCharacter& own : kOwnCharacters) {
    SCOPED_TRACE(testing::PrintToString(own.bytes));
    EXPECT_EQ(ThroughTable(own.bytes, 936), "<" + Utf8(own.code_point));
    EXPECT_NE(ThroughTable(own.bytes, 936), "<" + Utf8(own.windows_reads));
    EXPECT_EQ(ThroughTable(std::string("a") + own.bytes + "\xD6\xD0", 936),
              "<a" + Utf8(own.code_point) + "中");
    all_bytes += own.bytes;
    all_text += Utf8(own.code_point);
  }
  EXPECT_EQ(ThroughTable(all_bytes, 936), "<" + all_text);
  // Neighbours: a vertical form Unicode had all along, a radical, and
  // ideographic description characters.
  EXPECT_EQ(ThroughTable("\xA6\xE0\xFE\x50\xFE\x54\xA9\x8A", 936), "<\uFE35\u2E81\u2E84\u2FF0");
}

// Windows' table for code page 936 gives its three user-defined areas to
// the private use area: area after area, lead byte after lead byte, trail
// bytes in order.
struct UserDefinedArea {
  int first_lead, last_lead;
  std::vector<std::pair<int, int>> trails;  // ranges of trail bytes
  char32_t first_code_point;
};
const UserDefinedArea kUserDefinedAreas[] = {
    {0xAA, 0xAF, {{0xA1, 0xFE}}, 0xE000},
    {0xF8, 0xFE, {{0xA1, 0xFE}}, 0xE234},
    {0xA1, 0xA7, {{0x40, 0x7E}, {0x80, 0xA0}}, 0xE4C6},
};

TEST(CodePage936Test, ReadsTheUserDefinedAreasAndTheEuroSignAsWindows) {
  // Corners of the areas, as Windows' table has them.
  const std::pair<const char*, char32_t> corners[] = {
      {"\xAA\xA1", 0xE000}, {"\xAF\xFE", 0xE233}, {"\xF8\xA1", 0xE234}, {"\xFE\xFE", 0xE4C5},
      {"\xA1\x40", 0xE4C6}, {"\xA1\x7E", 0xE504}, {"\xA1\x80", 0xE505}, {"\xA1\xA0", 0xE525},
      {"\xA2\x40", 0xE526}, {"\xA7\xA0", 0xE765}};
  for (const auto& [bytes, code_point] : corners) {
    EXPECT_EQ(ThroughTable(bytes, 936), "<" + Utf8(code_point)) << testing::PrintToString(bytes);
  }
  int pairs = 0;
  for (const UserDefinedArea& area : kUserDefinedAreas) {
    char32_t expected = area.first_code_point;
    for (int lead = area.first_lead; lead <= area.last_lead; ++lead) {
      std::string row_bytes, row_text;
      for (const auto& [first_trail, last_trail] : area.trails) {
        for (int trail = first_trail; trail <= last_trail; ++trail, ++expected, ++pairs) {
          const std::string pair = {static_cast<char>(lead), static_cast<char>(trail)};
          SCOPED_TRACE(testing::PrintToString(pair));
          // Alone, and followed by a character no earlier byte may take.
          ASSERT_EQ(ThroughTable(pair, 936), "<" + Utf8(expected));
          ASSERT_EQ(ThroughTable(pair + "\xD6\xD0@", 936), "<" + Utf8(expected) + "中@");
          row_bytes += pair;
          row_text += Utf8(expected);
        }
      }
      // A whole row at once, then the lead byte alone: half a character.
      EXPECT_EQ(ThroughTable(row_bytes, 936), "<" + row_text) << lead;
      EXPECT_EQ(ThroughTable(std::string(1, static_cast<char>(lead)), 936), "<\uFFFD") << lead;
    }
  }
  EXPECT_EQ(pairs, 564 + 658 + 672);

  // 0x80 alone is the euro sign; after a lead byte it is a trail byte.  A
  // four-byte character of GB18030 is none of this code page's.
  EXPECT_EQ(ThroughTable("\x80", 936), "<€");
  EXPECT_EQ(ThroughTable("\xD6\xD0\x80\x80\xAA\xA1", 936), "<中€€\uE000");
  EXPECT_EQ(ThroughTable("\x81\x80", 936), "<亐");  // U+4E90
  EXPECT_EQ(ThroughTable("\x81\x30\x81\x30", 936), "<\uFFFD0\uFFFD0");
  EXPECT_EQ(ThroughTable("\x81\x30\x81\x30", 54936), "<\u0080");
}

TEST(CodePageTableTest, MixedRunsDecodeAsIconvDecodesThem) {
  // Lead bytes, trail bytes that are letters or symbols, bytes no pair takes
  // (0x80 only where it is read as iconv reads it).
  const std::string alphabet("\x81\xA1\xB0\xD6\xFE\xFF\x40\x7F\xA0\x5C\x20\x61\x00\xE9\x80", 15);
  std::mt19937 random(7);
  for (const TablePage& page : kTablePages) {
    SCOPED_TRACE(page.code_page);
    const std::size_t letters = page.code_page == 936 ? alphabet.size() - 1 : alphabet.size();
    for (int round = 0; round < 3000; ++round) {
      std::string bytes(1 + random() % 9, ' ');
      for (char& c : bytes) c = alphabet[random() % letters];
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
  const std::string expected = ThroughIconv(text, "GB18030");
  std::vector<std::string> results(4);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      std::string reordered = text.substr(t * 2 * 64) + text.substr(0, t * 2 * 64);
      std::string out = ThroughTable(reordered, 936);
      results[t] = ThroughTable(text, 936);
      if (out != ThroughIconv(reordered, "GB18030")) results[t] = "mismatch in reordered text";
    });
  }
  for (auto& thread : threads) thread.join();
  for (const std::string& result : results) EXPECT_EQ(result, expected);
}

}  // namespace
}  // namespace generatesheet
