// A page's print style (its @page declarations and page margin boxes) as
// this program writes it out again for another document: every value is
// taken apart into the few kinds of token a page style needs and written
// anew, each string with every character that could end it, end the style
// element it stands in or read as a line break escaped, so no text of a
// page can reach beyond its own declaration.
#ifndef GENERATESHEET_TOOLS_PDF_PAGE_STYLE_H_
#define GENERATESHEET_TOOLS_PDF_PAGE_STYLE_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace generatesheet::cli {

// One declaration as the browser's style sheets give it (CSSStyleDeclaration:
// a property, its value serialised, its priority).
struct StyleDeclaration {
  std::string property;
  std::string value;
  bool important = false;

  bool operator==(const StyleDeclaration&) const = default;
};

// A page margin box (CSSMarginRule): its name ("top-center") and style.
struct MarginBox {
  std::string name;
  std::vector<StyleDeclaration> declarations;

  bool operator==(const MarginBox&) const = default;
};

// `text` (UTF-8) as a quoted CSS string: control characters, quotes, the
// backslash and < > & written as hex escapes ("\3c "), all else as it is.
std::string CssString(std::string_view text);

// The declarations written out anew ("margin-top: 15mm; ..."), or nullopt
// when one is not plainly a page style's: a property that is not a plain
// name or that sets a counter, a value with anything beyond identifiers,
// numbers, colours, strings, commas, slashes and the functions rgb(),
// rgba() and counter().  A counter() is allowed only with
// `student_counters`, only of the page counters `page` and `pages`, which
// it reads from "generate-sheet-page" and "generate-sheet-pages" instead
// (counters a document of many students sets for each student).
std::optional<std::string> RewrittenDeclarations(const std::vector<StyleDeclaration>& declarations,
                                                 bool student_counters);

// The box written out anew ("@top-center { ... }") with its page counters
// read from the student's, or nullopt when its name is not a page margin
// box's or a declaration is refused as above.
std::optional<std::string> RewrittenMarginBox(const MarginBox& box);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_PDF_PAGE_STYLE_H_
