// The CJK font the bundled template sets its pages in, cut down for each
// printed page to the characters that page shows.  Chromium hands every font
// a printed page uses, whole, to a print process it starts for that page:
// the Noto Sans CJK collections (19 and 20 MB) cost it most of a page's
// printing time.  A subset holds the same outlines and metrics for the
// page's few hundred characters, so the page lays out and prints the same.
#ifndef GENERATESHEET_TOOLS_PDF_PRINT_FONTS_H_
#define GENERATESHEET_TOOLS_PDF_PRINT_FONTS_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace generatesheet::cli {

class PrintFonts {
 public:
  // The family the subsets stand in for, as the bundled template names it.
  static constexpr char kFamily[] = "Noto Sans CJK SC";

  struct Subset {
    int weight;         // the CSS weight: 400 or 700
    std::string bytes;  // an OpenType font
  };

  // Looks the family's regular and bold faces up with fontconfig.  A face
  // that is not installed, or that fontconfig can only stand in for with
  // another family or weight, is left out: the browser then uses what the
  // system gives it, as it would without this.
  PrintFonts();
  // Virtual, as is SubsetFor: the program holds fonts made by the engines
  // module (OpenPrintFonts) and links none of their code.
  virtual ~PrintFonts();
  PrintFonts(const PrintFonts&) = delete;
  PrintFonts& operator=(const PrintFonts&) = delete;

  // Each installed face cut down to the characters of `text` (UTF-8; bytes
  // that are not UTF-8 are passed over) and to printable ASCII, with every
  // layout feature kept.  A face that cannot be cut is left out.
  virtual std::vector<Subset> SubsetFor(std::string_view text) const;

 private:
  struct Face;
  std::vector<std::unique_ptr<Face>> faces_;
};

// PrintFonts made where the engines are (tools/engines/): in the program,
// by the engines module it loads on first use.
std::unique_ptr<PrintFonts> OpenPrintFonts();

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_PDF_PRINT_FONTS_H_
