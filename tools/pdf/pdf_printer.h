// Prints pages to PDF (A4) with headless Chromium, one browser kept for many
// pages: the printer drives it over the DevTools protocol on a pipe
// (--remote-debugging-pipe), so a batch starts one browser per worker, not
// one per page.  Each browser's profile folder lives in the temporary
// folder while the printer runs ("generate-sheet-chromium-XXXXXX"), held
// under a lock the printer and its browser share; each printer, as it
// starts and as it stops, removes those no live printer or browser holds,
// left by a run that was killed.
#ifndef GENERATESHEET_TOOLS_PDF_PDF_PRINTER_H_
#define GENERATESHEET_TOOLS_PDF_PDF_PRINTER_H_

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>

#include "tools/pdf/print_fonts.h"
#include "util/file_descriptor.h"

namespace generatesheet::cli {

// The environment variable that names the browser to print with.
inline constexpr char kBrowserVariable[] = "GENERATESHEET_BROWSER";

// The browser pages are printed with: the program kBrowserVariable names
// (a path, or a name looked up on PATH), else the first of chromium,
// chromium-browser, google-chrome and google-chrome-stable on PATH.
// Throws Error saying what was looked for and how to install or name one.
std::string FindBrowser();

// Removes the browser profile folders in the temporary folder that no live
// printer or browser holds, whatever their age: those of a run that was
// killed.  Only this user's, never through a link; never fails.
void RemoveLeftoverBrowserProfiles();

class PdfPrinter {
 public:
  // The browser starts on first use.
  PdfPrinter() = default;
  PdfPrinter(const PdfPrinter&) = delete;
  PdfPrinter& operator=(const PdfPrinter&) = delete;
  ~PdfPrinter();

  // Loads the page (a file path) and writes it as PDF to `pdf_path`,
  // atomically.  Each printed page is headed with the page's title and
  // numbered "第 X 页 / 共 Y 页", unless the page's style sets page margin
  // boxes of its own.  Throws Error naming the page; the next call starts
  // afresh.
  void Print(const std::string& page_path, const std::string& pdf_path);

  // Prints a whole HTML document (UTF-8) given as text; returns the PDF's
  // bytes.  Unless `tagged`, it is printed without the structure tree (which
  // costs the browser much of a print, and does not survive taking the
  // pages apart) and without a running header of the printer's own.
  // Throws Error.
  std::string PrintDocument(const std::string& html, bool tagged = true);

  // Loads the page, evaluates `expression` in it and returns the value as
  // JSON text.  For checks of pages in a real browser; a `phone_width`
  // (CSS pixels) lays the page out as a phone of that width would.
  std::string Evaluate(const std::string& page_path, const std::string& expression,
                       int phone_width = 0);

  // The steps of printing several pages as one document (PrintPages):
  // Open loads a page; Replace puts another page's HTML in place of the open
  // document (its scripts run, without a navigation, so it costs a fraction
  // of a load); Run evaluates an expression in it and returns the value as
  // JSON text; PrintOpen prints it as it is, with no running header of the
  // printer's own and no structure tree (tags).  Each throws Error; Reset then stops the browser,
  // and the next call starts afresh.
  void Open(const std::string& page_path);
  void Replace(const std::string& html);
  std::string Run(const std::string& expression);
  std::string PrintOpen();
  // Lays the open document out in its print style (media print) or again
  // in its screen style.
  void EmulatePrintMedia(bool on);
  void Reset() noexcept { Stop(); }

  // Whether pages are printed with the template's CJK font cut down to each
  // page's characters (PrintFonts), which halves the browser's work; on by
  // default.  Off, the browser uses the installed font whole.
  void SetFontSubsets(bool on) { font_subsets_ = on; }

 private:
  void Start();
  void Stop() noexcept;
  void Load(const std::string& url);
  // The loaded page as PDF bytes.  Unless `alone`, it is printed with no
  // running header and page numbers of the printer's own, and untagged:
  // the structure tree does not survive cutting the PDF apart.
  std::string PrintLoaded(bool alone = true);
  // Sends one command (to the page's session unless `browser`) and waits
  // for its reply; events that arrive meanwhile are dropped, except that
  // Page.loadEventFired is noted.
  std::string Call(const std::string& method, const std::string& params_json, bool browser = false);
  std::string NextMessage();
  // Takes note of an event: the page's load, or the page gone.
  void Notice(const std::string& event_json);
  // Gives the loaded page subsets of the CJK font for the characters of
  // `text`, under the font's own name.
  void UseFontSubsets(const std::string& text);

  std::string browser_;  // the program started, for messages
  pid_t pid_ = -1;
  FileDescriptor to_browser_;
  FileDescriptor from_browser_;
  std::string profile_;          // the browser's profile folder, in the temporary folder
  FileDescriptor profile_lock_;  // holds it, so no other run's clean-up takes it
  std::string session_;
  std::string buffer_;
  std::int64_t next_id_ = 1;
  bool loaded_ = false;
  bool font_subsets_ = true;
  std::unique_ptr<PrintFonts> fonts_;  // looked up on first use
};

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_PDF_PDF_PRINTER_H_
