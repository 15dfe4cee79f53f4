#include "rtf/rtf_to_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace generatesheet {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The characters of a text without its layout: white space and the "|"
// that the reference texts use for table cells are removed.
std::string Characters(const std::string& text) {
  std::string result;
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '|') result.push_back(c);
  }
  return result;
}

// A document whose fonts 0 to 3 are Latin, Chinese (GBK), Cyrillic and
// Japanese (Shift-JIS), with `body` after the font table.
std::string FourFontDocument(const std::string& body) {
  return "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
         "{\\f1\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}{\\f2\\froman\\fcharset204 Times;}"
         "{\\f3\\fnil\\fcharset128 MS Mincho;}}" +
         body + "}";
}

TEST(RtfToPlainTextTest, ReferenceDocumentsKeepTheirCharacters) {
  fs::path dir = fs::path(GENERATESHEET_TESTDATA_DIR) / "rtf";
  int compared = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() != ".rtf") continue;
    fs::path expected = entry.path();
    expected.replace_extension(".txt");
    SCOPED_TRACE(entry.path().filename().string());
    EXPECT_EQ(Characters(RtfToPlainText(ReadFile(entry.path()))), Characters(ReadFile(expected)));
    ++compared;
  }
  EXPECT_GE(compared, 9);
}

TEST(RtfToPlainTextTest, ChineseAsWindowsRichEditWritesIt) {
  EXPECT_EQ(
      RtfToPlainText("{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang1033\\deflangfe2052"
                     "{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\r\n"
                     "\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs18 \\'d6\\'d0\\'ce\\'c4\\par\r\n"
                     "}\r\n"),
      "中文");
  EXPECT_EQ(
      RtfToPlainText("{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 "
                     "\\'cb\\'ce\\'cc\\'e5;}}\\pard\\f0 \\'b5\\'da\\'d2\\'bb\\'cc\\'e2\\par\r\n"
                     "A. \\'ca\\'c7\\par\r\n\\par\r\n}"),
      "第一题\nA. 是");
}

TEST(RtfToPlainTextTest, GbkCharacterSplitAcrossEscapesComesOutWhole) {
  const std::string head = "{\\rtf1\\ansi\\ansicpg936 ";
  EXPECT_EQ(RtfToPlainText(head + "\\'81@}"), "丂");               // 81 40
  EXPECT_EQ(RtfToPlainText(head + "\\'81\\\\}"), "乗");            // 81 5C
  EXPECT_EQ(RtfToPlainText(head + "\xD6\xD0\\'ce\xC4}"), "中文");  // raw bytes
  EXPECT_EQ(RtfToPlainText(head + "\\'d6{\\*\\bkmkstart q}\\'d0}"), "中");
  // Runs of escapes, with raw line breaks, a bad escape, a NUL and a \uN
  // fallback among them.
  EXPECT_EQ(RtfToPlainText(head + "\\'d6\r\n\\'d0\\'ce\\'4x\\'c4}"), "中\uFFFD4x\uFFFD");
  EXPECT_EQ(RtfToPlainText(head + "\\'d6\\'00\\'d0\\u25991\\'ce\\'c4\\'ce\\'c4}"),
            "中文奈\uFFFD");  // \uc1: one byte of fallback
  EXPECT_EQ(RtfToPlainText(head + "\\uc2\\u25991\\'ce\\'c4\\'d6\\'d0\\'d6}"), "文中\uFFFD");
  // Code page 936 as Windows reads it: 0x80 is the euro sign, and the
  // four-byte sequences of GB18030 are no characters of it; code page 54936
  // is GB18030 and has them.
  EXPECT_EQ(RtfToPlainText(head + "\\'d6\\'d0\\'80}"), "中€");
  EXPECT_EQ(RtfToPlainText(head + "\\'80\\'d6\\'d0}"), "€中");
  EXPECT_EQ(RtfToPlainText(head + "\\'81\\'30\\'81\\'30}"), "\uFFFD0\uFFFD0");
  EXPECT_EQ(RtfToPlainText("{\\rtf1\\ansicpg54936 \\'81\\'30\\'81\\'30}"), "\u0080");
  // Its user-defined areas are private-use characters, each read whole.
  EXPECT_EQ(RtfToPlainText(head + "\\'aa\\'a1\\'a1\\'40}"), "\uE000\uE4C6");
  EXPECT_EQ(RtfToPlainText("{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 "
                           "\\'cb\\'ce\\'cc\\'e5;}}\\pard\\f0 \\'d0\\'d5\\'c3\\'fb\\'a3\\'ba"
                           "\\'aa\\'a1\\'a1\\'40\\'d6\\'d0\\par\r\n}"),
            "姓名：\uE000\uE4C6中");
}

TEST(RtfToPlainTextTest, EachFontDecodesInItsOwnCharset) {
  EXPECT_EQ(RtfToPlainText(
                FourFontDocument("\\f0 caf\\'e9 \\f1\\'d6\\'d0\\f2\\'c4\\f3\\'82\\'a0\\f0\\'e9")),
            "café 中Дあé");
  // A font set inside a group ends with the group.
  EXPECT_EQ(RtfToPlainText(FourFontDocument("{\\f1\\'d6\\'d0}\\'e9")), "中é");
  // \plain returns to the default font.
  EXPECT_EQ(RtfToPlainText(FourFontDocument("\\f2\\'c4\\plain\\'c4")), "ДÄ");
}

TEST(RtfToPlainTextTest, CodePageFallsBackToDefaultFontThenDocument) {
  // No \f: the default font's charset.
  EXPECT_EQ(RtfToPlainText("{\\rtf1\\ansi\\deff1{\\fonttbl{\\f0\\fcharset0 A;}"
                           "{\\f1\\fcharset134 B;}}\\'d6\\'d0}"),
            "中");
  // The current font has no charset of its own (1 is "default"): the
  // default font's charset.
  EXPECT_EQ(RtfToPlainText("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fcharset204 A;}"
                           "{\\f1\\fcharset1 B;}}\\f1\\'c4}"),
            "Д");
  // No font knows its charset: \ansicpg.
  EXPECT_EQ(RtfToPlainText("{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0 A;}}\\f0\\'c4}"), "Д");
  // Nothing at all: Windows-1252.
  EXPECT_EQ(RtfToPlainText("{\\rtf1 \\'c4}"), "Ä");
  // A font's \cpg wins over its \fcharset.
  EXPECT_EQ(RtfToPlainText("{\\rtf1{\\fonttbl{\\f0\\fcharset0\\cpg1251 A;}}\\f0\\'c4}"), "Д");
}

TEST(RtfToPlainTextTest, UnicodeEscapesAndTheirFallbacks) {
  EXPECT_EQ(RtfToPlainText("{\\rtf1\\uc1\\u20013?\\u25991?}"), "中文");
  EXPECT_EQ(RtfToPlainText("{\\rtf1\\uc0\\u20013\\u25991 x}"), "中文x");
  EXPECT_EQ(RtfToPlainText("{\\rtf1\\ansicpg936\\uc2\\u20013\\'d6\\'d0\\u25991\\'ce\\'c4!}"),
            "中文!");
  EXPECT_EQ(RtfToPlainText("{\\rtf1\\u20013 ab}"), "中b");  // default \uc1
  EXPECT_EQ(RtfToPlainText("{\\rtf1\\u-255?}"), "！");      // negative: plus 65536
  // \uc is scoped to its group.
  EXPECT_EQ(RtfToPlainText("{\\rtf1{\\uc2\\u20013xx}\\u25991?}"), "中文");
  // A brace ends the fallback.
  EXPECT_EQ(RtfToPlainText("{\\rtf1\\uc3\\u20013?{a}b}"), "中ab");
}

TEST(RtfToPlainTextTest, SurrogatePairsJoinAndLoneHalvesAreReplaced) {
  EXPECT_EQ(RtfToPlainText("{\\rtf1\\u-10179?\\u-8704?}"), "😀");
  EXPECT_EQ(RtfToPlainText("{\\rtf1\\uc0\\u55357\\u56832}"), "😀");
  EXPECT_EQ(RtfToPlainText("{\\rtf1\\u-10179?x}"), "\uFFFDx");
  EXPECT_EQ(RtfToPlainText("{\\rtf1 a\\u-8704?b}"), "a\uFFFDb");
  EXPECT_EQ(RtfToPlainText("{\\rtf1\\u-10179?}"), "\uFFFD");
}

TEST(RtfToPlainTextTest, HiddenDestinationsAreDropped) {
  EXPECT_EQ(
      RtfToPlainText("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red0\\green0\\blue0;}"
                     "{\\stylesheet{\\s0 Normal;}}{\\info{\\author Someone}{\\title T}}"
                     "{\\*\\generator Riched20;}{\\*\\unknownthing junk}{\\header head}"
                     "{\\footerr foot}{\\*\\listtable{\\list{\\listname L;}}}"
                     "a{\\pict\\pngblip 89504e47}b{\\object\\objemb{\\*\\objdata 0102}"
                     "{\\result{\\pict 00}}}c{\\*\\bkmkstart mark}d"
                     "{\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt link}}"
                     "{\\field{\\fldinst PAGE}{\\fldrslt 3}}"
                     "{\\upr{ansi}{\\*\\ud{\\u20013?}}}}"),
      "abcdlink3中");
}

TEST(RtfToPlainTextTest, EachHiddenWordHidesItsGroupAndNoNearMissDoes) {
  for (const char* word : {"do",
                           "hl",
                           "pn",
                           "sn",
                           "sp",
                           "sv",
                           "tc",
                           "xe",
                           "pict",
                           "info",
                           "file",
                           "falt",
                           "mmathPr",
                           "themedata",
                           "colorschememapping",
                           "xmlattrvalue",
                           "writereservhash",
                           "listoverridetable",
                           "atnauthor",
                           "nonshppict",
                           "passwordhash",
                           "wgrffmtfilter"}) {
    SCOPED_TRACE(word);
    EXPECT_EQ(RtfToPlainText("{\\rtf1 a{\\" + std::string(word) + " hidden}b}"), "ab");
    // A longer or shorter word, or one in other letter case, is formatting.
    for (const std::string& other : {std::string(word) + "x", std::string(word).substr(1),
                                     std::string(word).substr(0, 1) + "Q"}) {
      EXPECT_EQ(RtfToPlainText("{\\rtf1 a{\\" + other + " shown}b}"), "ashownb") << other;
    }
  }
}

TEST(RtfToPlainTextTest, BinaryDataIsPassedOver) {
  EXPECT_EQ(RtfToPlainText("{\\rtf1 a\\bin4 {}\\zb}"), "ab");
  EXPECT_EQ(RtfToPlainText("{\\rtf1 a{\\*\\blipuid x}{\\pict\\bin3 }}}}b}"), "ab");
  EXPECT_EQ(RtfToPlainText("{\\rtf1 a\\bin999999 xyz}"), "a");
}

TEST(RtfToPlainTextTest, BreaksAndSpecialCharacters) {
  EXPECT_EQ(RtfToPlainText("{\\rtf1 one\\par two\\line three\\\r\nfour\\\nfive\\tab six}"),
            "one\ntwo\nthree\nfour\nfive\tsix");
  EXPECT_EQ(RtfToPlainText("{\\rtf1 raw\r\nline\rbreaks\nvanish}"), "rawlinebreaksvanish");
  EXPECT_EQ(RtfToPlainText("{\\rtf1 a\\par\\par b\\sect c\\page d}"), "a\n\nb\nc\nd");
  EXPECT_EQ(RtfToPlainText("{\\rtf1 \\emdash\\endash\\bullet\\lquote\\rquote"
                           "\\ldblquote\\rdblquote}"),
            "—–•‘’“”");
  EXPECT_EQ(RtfToPlainText("{\\rtf1 a\\~b\\_c\\-d}"), "a\u00A0b\u2011c\u00ADd");
  EXPECT_EQ(RtfToPlainText("{\\rtf1 \\{x\\}\\\\}"), "{x}\\");
}

TEST(RtfToPlainTextTest, TrailingLineBreaksAreRemoved) {
  EXPECT_EQ(RtfToPlainText("{\\rtf1 text\\par}"), "text");
  EXPECT_EQ(RtfToPlainText("{\\rtf1 text\\par\\par\\line}"), "text");
  EXPECT_EQ(RtfToPlainText("{\\rtf1 \\par text}"), "\ntext");
}

TEST(RtfToPlainTextTest, TableCellsAndRows) {
  EXPECT_EQ(RtfToPlainText("{\\rtf1\\trowd\\cellx1000\\cellx2000 a\\cell b\\cell\\row"
                           "\\trowd c\\cell d\\cell\\row after}"),
            "a\tb\nc\td\nafter");
}

TEST(RtfToPlainTextTest, DeepAndUnbalancedNestingIsSurvived) {
  const size_t depth = 100000;
  std::string deep = "{\\rtf1 a" + std::string(depth, '{') + "x" + std::string(depth, '}') + "b}";
  EXPECT_EQ(RtfToPlainText(deep), "ab");  // text beyond the nesting cap is dropped
  EXPECT_EQ(RtfToPlainText("{\\rtf1 a" + std::string(depth, '{') + "x"), "a");
  EXPECT_EQ(RtfToPlainText("{\\rtf1 " + std::string(500, '{') + "x" + std::string(500, '}') + "}"),
            "x");
  EXPECT_EQ(RtfToPlainText("{\\rtf1 abc"), "abc");
  EXPECT_EQ(RtfToPlainText("{\\rtf1 {{{abc"), "abc");
  EXPECT_EQ(RtfToPlainText("{\\rtf1 a}}}b"), "a");  // nothing after the document
}

TEST(RtfToPlainTextTest, MalformedControlsDoNotStopReading) {
  EXPECT_EQ(RtfToPlainText("{\\rtf1 a\\'zzb}"), "azzb");
  EXPECT_EQ(RtfToPlainText("{\\rtf1 a\\u b}"), "ab");
  EXPECT_EQ(RtfToPlainText("{\\rtf1\\uc99999999999\\u20013 abc}"), "中");
  EXPECT_EQ(RtfToPlainText("{\\rtf1\\u99999999 x}"), "\uFFFD");
  EXPECT_EQ(RtfToPlainText("{\\rtf1 a\\"), "a");
  EXPECT_EQ(RtfToPlainText("{\\rtf1 a\\'4"), "a4");
}

TEST(RtfToPlainTextTest, UndecodableBytesBecomeReplacementCharacters) {
  const std::string gbk = "{\\rtf1\\ansi\\ansicpg936 ";
  EXPECT_EQ(RtfToPlainText(gbk + "\\'ff\\'d6\\'d0}"), "\uFFFD中");
  EXPECT_EQ(RtfToPlainText(gbk + "\\'81 a}"), "\uFFFD a");
  EXPECT_EQ(RtfToPlainText(gbk + "x\\'d6}"), "x\uFFFD");  // truncated at the end
  EXPECT_EQ(RtfToPlainText(gbk + "\\'d6\\par\\'d0}"), "\uFFFD\n\uFFFD");
  EXPECT_EQ(RtfToPlainText("{\\rtf1\\ansi \\'81\\'e9}"), "\uFFFDé");  // 0x81: none in 1252
}

TEST(RtfToPlainTextTest, UnknownCodePagesAreReadAsWindows1252) {
  for (int page = 90000; page < 90100; ++page) {
    std::string rtf = "{\\rtf1\\ansicpg" + std::to_string(page) + " \\'e9}";
    ASSERT_EQ(RtfToPlainText(rtf), "é") << page;
  }
  // Known pages still decode after many unknown ones.
  EXPECT_EQ(RtfToPlainText("{\\rtf1\\ansicpg936 \\'d6\\'d0}"), "中");
}

TEST(RtfToPlainTextTest, NonRtfInputComesBackUnchanged) {
  EXPECT_EQ(RtfToPlainText(""), "");
  EXPECT_EQ(RtfToPlainText("plain <b>text</b>\r\n中文\n"), "plain <b>text</b>\r\n中文\n");
  EXPECT_EQ(RtfToPlainText("see {\\rtf1 x}"), "see {\\rtf1 x}");
  EXPECT_EQ(RtfToPlainText("{\\rt"), "{\\rt");
  EXPECT_EQ(RtfToPlainText(" \r\n\t{\\rtf1 x}"), "x");
  EXPECT_EQ(RtfToPlainText("\xEF\xBB\xBF{\\rtf1 x}"), "x");
  EXPECT_EQ(RtfToPlainText("{\\rtf1}"), "");
}

// Documents whose headers are alike up to a point, so that what a thread
// remembers of one document's header could be misapplied to the next: a
// control word or an escape that the next byte lengthens or breaks, a \uN
// fallback across the first text, text shown before the first text run.
TEST(RtfToPlainTextTest, EachDocumentReadsTheSameWhateverWasReadBeforeIt) {
  const std::string windows =
      "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce;}}"
      "\r\n\\uc1\\pard\\f0\\fs18 ";
  const std::string fonts = "{\\rtf1{\\fonttbl{\\f1\\fcharset134 x;}}\\f1";
  const std::string documents[] = {
      windows + "\\'d6\\'d0\\par\r\n}",
      windows + "abc\\'d6\\'d0}",
      windows + "\r\n\\'ce\\'c4}",
      windows.substr(0, windows.size() - 1) + "0 \\'e9}",  // \fs180
      fonts + "\\'d6\\'d0}",
      fonts + "2 \\'d6\\'d0}",  // \f12: no font of the table, so Windows-1252
      "{\\rtf1\\ansicpg936 \\'zz\\'d6\\'d0}",
      "{\\rtf1\\ansicpg936 \\'\\'d6\\'d0}",
      "{\\rtf1\\ansicpg936\\uc2\\u25991 \\'ce\\'c4\\'d6\\'d0}",
      "{\\rtf1\\ansicpg936\\uc2\\u25991 xy}",
      "{\\rtf1\\ansicpg936\\uc2\\u0 \\'ce\\'c4\\'d6\\'d0}",  // \u0 shows nothing
      "{\\rtf1\\ansicpg936\\uc2\\u0 ab\\'d6\\'d0}",
      "{\\rtf1\\ansicpg936 ab}",
      "{\\rtf1\\ansicpg936 \\'d6\\'d0}",
      "{\\rtf1\\ansicpg936\\par \\'d6\\'d0}",
      "{\\rtf1\\ansicpg936{\\*\\generator x;}\\'d6\\'d0}",
      "{\\rtf1\\ansicpg936{\\*\\generator x;}}",
      "{\\rtf1\\ansicpg936 \\bin2 \\'d6\\'d0}",
  };
  // Each document alone, on a thread that has read nothing before.
  std::vector<std::string> alone;
  for (const std::string& document : documents) {
    std::thread([&] { alone.push_back(RtfToPlainText(document)); }).join();
  }
  EXPECT_EQ(alone[0], "中");
  EXPECT_EQ(alone[3], "\uFFFD");  // \\'e9 alone: half a GBK character
  EXPECT_EQ(alone[5], "\u00D6\u00D0");
  // Then after each other document, on a thread that has read just that one.
  for (size_t first = 0; first < std::size(documents); ++first) {
    for (size_t next = 0; next < std::size(documents); ++next) {
      std::thread([&] {
        RtfToPlainText(documents[first]);
        EXPECT_EQ(RtfToPlainText(documents[next]), alone[next]) << first << " then " << next;
      }).join();
    }
  }
}

TEST(RtfToPlainTextTest, ConcurrentCallsAgree) {
  const std::string chinese = FourFontDocument("\\f1\\'d6\\'d0\\f2\\'c4\\f3\\'82\\'a0\\f0\\'e9");
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 500; ++i) {
        if (RtfToPlainText(chinese) != "中Дあé") ++failures[t];
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace generatesheet
