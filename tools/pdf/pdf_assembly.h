// The pieces PDFs are put together from with qpdf: a PDF read through a
// mapping of its file, pages appended from one document to another, a
// document written atomically, an outline of bookmarks, and the mark a
// report card's page carries inside a student's PDF (so the card can be
// told from the student's paper, replaced, or left out of the class PDF).
#ifndef GENERATESHEET_TOOLS_PDF_PDF_ASSEMBLY_H_
#define GENERATESHEET_TOOLS_PDF_PDF_ASSEMBLY_H_

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <memory>
#include <string>
#include <vector>

#include "util/replacement_file.h"

namespace generatesheet::cli {

// A PDF read through a mapping of its file, so that qpdf's many small reads
// and seeks cost no system call; warnings are kept off stderr, and a
// damaged file fails rather than being mended silently.
class MappedPdf {
 public:
  // Maps the file open as `fd` (which may be closed afterwards).
  MappedPdf(int fd, const std::string& name);
  MappedPdf(const MappedPdf&) = delete;
  MappedPdf& operator=(const MappedPdf&) = delete;
  ~MappedPdf();

  QPDF& pdf() { return pdf_; }

 private:
  void* data_;
  size_t size_ = 0;
  QPDF pdf_;  // declared last: gone before the mapping it reads
};

// Opens and maps the PDF at `path`; throws Error naming it.
std::unique_ptr<MappedPdf> OpenPdf(const std::string& path);

// Whether a page is a report card's, as PutCardLast marks them.
bool IsCardPage(QPDFPageObjectHelper& page);
void MarkCardPage(QPDFPageObjectHelper& page);
// The pages of `pdf` that are no report card's.
size_t PaperPageCount(QPDF& pdf);

// Appends every page of `source` to `out`, a report card's pages left out;
// returns how many were appended.
size_t AppendPages(QPDF& out, QPDF& source);

// Writes `pdf` to `file`, the streams copied as they are (never decoded and
// compressed again: the browser compressed them already).
void WritePdf(QPDF& pdf, ReplacementFile& file);

// The document outline: one item per title, in order, each opening the page
// `first_pages` gives it (from 0).
void AddOutline(QPDF& out, const std::vector<std::string>& titles,
                const std::vector<size_t>& first_pages);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_PDF_PDF_ASSEMBLY_H_
