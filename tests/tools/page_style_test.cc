// A page style written anew: strings escaped so nothing ends them or the
// style element, values taken apart and refused unless plainly a page
// style's, the page counters read from the student's.
#include "tools/pdf/page_style.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace generatesheet::cli {
namespace {

TEST(PageStyleTest, StringsEscapeWhatCouldEndThemOrTheirStyleElement) {
  const struct {
    std::string text, written;
  } cases[] = {
      {"张三", "\"张三\""},
      {"a\"b'c", "\"a\\22 b\\27 c\""},
      {"</style><script>", "\"\\3c /style\\3e \\3c script\\3e \""},
      {"x\\y", "\"x\\5c y\""},
      {"\f@page{", "\"\\c @page{\""},
      {"\r\n\t\x01\x1b\x7f", "\"\\d \\a \\9 \\1 \\1b \\7f \""},
      {"&amp;", "\"\\26 amp;\""},
      {"\xc2\x85", "\"\\85 \""},               // a C1 control
      {"行\u2028分", "\"行\u2028分\""},        // no line break in CSS
      {std::string("a\0b", 3), "\"a\\0 b\""},  // as the browser reads it: U+FFFD
      {"\xff", "\"\xef\xbf\xbd\""},            // not UTF-8
  };
  for (const auto& c : cases) EXPECT_EQ(CssString(c.text), c.written) << c.text;
}

TEST(PageStyleTest, DeclarationsAreWrittenAnewOrRefused) {
  const struct {
    std::string property, value;
    bool important, counters;
    std::optional<std::string> written;
  } cases[] = {
      {"margin-top", "15mm", false, false, "margin-top: 15mm;"},
      {"size", "a4", true, false, "size: a4 !important;"},
      {"color", "rgb(87, 96, 106)", false, false, "color: rgb(87, 96, 106);"},
      {"color", "rgba(0, 0, 0, 0.5)", false, false, "color: rgba(0, 0, 0, 0.5);"},
      {"font-family", "\"Noto Sans CJK SC\", sans-serif", false, false,
       "font-family: \"Noto Sans CJK SC\", sans-serif;"},
      {"-webkit-font-smoothing", "auto", false, false, "-webkit-font-smoothing: auto;"},
      {"font", "9pt/1.5 serif", false, false, "font: 9pt/1.5 serif;"},
      // Property names from the first letter to the last.
      {"accent-color", "red", false, false, "accent-color: red;"},
      {"z-index", "1", false, false, "z-index: 1;"},
      {"`x", "1", false, false, std::nullopt},
      {"{x", "1", false, false, std::nullopt},
      // Strings as the browser serialises them, decoded and escaped again.
      {"content", "\"a\\\"b\\\\c \\1 </style>\"", false, true,
       "content: \"a\\22 b\\5c c \\1 \\3c /style\\3e \";"},
      {"content", "'\\41 B\\\nC'", false, true, "content: \"ABC\";"},
      {"content", "\"\\d800\\110000\"", false, true, "content: \"\xef\xbf\xbd\xef\xbf\xbd\";"},
      // The page counters, read from the student's.
      {"content", "\"第 \" counter(page) \" 页 / 共 \" counter(pages) \" 页\"", false, true,
       "content: \"第 \" counter(generate-sheet-page) \" 页 / 共 \" "
       "counter(generate-sheet-pages) \" 页\";"},
      {"content", "counter(page, upper-roman)", false, true,
       "content: counter(generate-sheet-page, upper-roman);"},
      {"content", "COUNTER( pages )", false, true, "content: counter(generate-sheet-pages);"},
      {"content", "counter(page)", false, false, std::nullopt},
      {"content", "counter(chapter)", false, true, std::nullopt},
      {"content", "counter(page-x)", false, true, std::nullopt},
      {"content", "counters(page, \".\")", false, true, std::nullopt},
      {"content", "counter(page, )", false, true, std::nullopt},
      {"content", "counter(page", false, true, std::nullopt},
      // Nothing that is not plainly a page style's.
      {"counter-reset", "page 5", false, false, std::nullopt},
      {"counter-increment", "page", false, true, std::nullopt},
      {"--x", "1", false, false, std::nullopt},
      {"Margin", "0", false, false, std::nullopt},
      {"margin top", "0", false, false, std::nullopt},
      {"margin:0;x", "0", false, false, std::nullopt},
      {"", "0", false, false, std::nullopt},
      {"margin", "", false, false, std::nullopt},
      {"margin", "  ", false, false, std::nullopt},
      {"content", "url(x.png)", false, true, std::nullopt},
      {"content", "attr(title)", false, true, std::nullopt},
      {"color", "var(--ink)", false, false, std::nullopt},
      {"content", "\"a\"; } @page { margin: 0", false, true, std::nullopt},
      {"content", "\"a\" } x", false, true, std::nullopt},
      {"content", "\"open", false, true, std::nullopt},
      {"content", "\"a\\", false, true, std::nullopt},
      {"content", "\"a\fb\"", false, true, std::nullopt},
      {"content", "\"a\nb\"", false, true, std::nullopt},
      {"content", "\"\xff\"", false, true, std::nullopt},
      {"content", "</style>", false, true, std::nullopt},
      {"content", "a\\62", false, true, std::nullopt},
      {"content", "姓名", false, true, std::nullopt},
      {"color", "rgb(0, 0, 0", false, false, std::nullopt},
      {"color", "0)", false, false, std::nullopt},
      {"margin", "0 !important", false, false, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.property + ": " + c.value);
    EXPECT_EQ(RewrittenDeclarations({{c.property, c.value, c.important}}, c.counters), c.written);
  }
  EXPECT_EQ(RewrittenDeclarations({{"size", "a4", false}, {"margin-top", "1mm", true}}, false),
            "size: a4; margin-top: 1mm !important;");
  EXPECT_EQ(RewrittenDeclarations({}, false), "");
  // One declaration refused refuses them all.
  EXPECT_EQ(RewrittenDeclarations({{"size", "a4", false}, {"color", "var(--x)", false}}, false),
            std::nullopt);
}

TEST(PageStyleTest, MarginBoxesAreTheSixteenOnly) {
  const StyleDeclaration content{"content", "counter(page)", false};
  EXPECT_EQ(RewrittenMarginBox({"top-center", {content}}),
            "@top-center { content: counter(generate-sheet-page); }");
  EXPECT_EQ(RewrittenMarginBox({"bottom-left-corner", {}}), "@bottom-left-corner {  }");
  for (const char* name : {"top-centre", "", "top-center { } @page", "TOP-CENTER"}) {
    EXPECT_EQ(RewrittenMarginBox({name, {content}}), std::nullopt) << name;
  }
  EXPECT_EQ(RewrittenMarginBox({"top-left", {{"content", "counter(chapter)", false}}}),
            std::nullopt);
}

}  // namespace
}  // namespace generatesheet::cli
