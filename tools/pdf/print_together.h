// Prints many pages of one template as few documents: a print costs the
// browser about as much for one student's page as a load and print of
// several students' pages together, so a batch prints its pages in groups
// and cuts each student's PDF out of the group's.  Each student's PDF looks
// as it would printed alone: every page of the group is laid out in the
// same style, each student from a new sheet, and the running header and
// page numbers, which the browser can only count over the whole document,
// are printed on a second document of empty pages, one for each, and laid
// over them.  Nothing of one student's page reaches another's: the running
// headers are written by this program from values it takes apart and
// writes anew (page_style.h), and a page whose isolation cannot be shown
// is printed alone.
#ifndef GENERATESHEET_TOOLS_PDF_PRINT_TOGETHER_H_
#define GENERATESHEET_TOOLS_PDF_PRINT_TOGETHER_H_

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "tools/pdf/pdf_printer.h"

namespace generatesheet::cli {

struct PagePrint {
  std::string page_path;  // the HTML page
  std::string pdf_path;   // its PDF, written atomically
};

// At most this many pages are printed as one document: the browser's work
// a page hardly falls beyond it, and a failed group costs its pages a
// second print, alone.
inline constexpr size_t kPagesTogether = 10;

// Prints every page to its PDF.  When `together`, consecutive pages in one
// folder with the same head (their title aside) whose style sets the
// running header and page numbers in page margin boxes are printed in
// groups, as long as each page is plain (a plain page style, a head of
// meta, title and style only, a body of the library's few elements with
// classes and roles only, no wider than the page); any other page, and
// every page of a group whose print fails or whose document does not hold
// each body as read, is printed alone.  Only for pages whose style is known to lay out a page's
// body the same inside another element (the bundled template's): a style
// that selects the body's children would not.  Returns for each page ""
// when its PDF was written, else why not (naming the PDF).  `on_page`, when
// given, is called with each page's index and failure as soon as that page
// is done, so a caller can count each student's PDF as it comes.
using PagePrinted = std::function<void(size_t page, const std::string& failure)>;
std::vector<std::string> PrintPages(PdfPrinter& printer, const std::vector<PagePrint>& pages,
                                    bool together, const PagePrinted& on_page = nullptr);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_PDF_PRINT_TOGETHER_H_
