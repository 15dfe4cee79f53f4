// Whether a PDF on disk is whole: a student's PDF left by an earlier run
// may have been cut short or damaged since, and a PDF that merely exists
// must not pass for the student's.
#ifndef GENERATESHEET_TOOLS_PDF_PDF_CHECK_H_
#define GENERATESHEET_TOOLS_PDF_PDF_CHECK_H_

#include <cstddef>
#include <string>

namespace generatesheet::cli {

// The number of pages of the PDF at `path` (a regular file, not a link),
// read whole: its cross-reference table as written, no repair, and every
// page's content decoded.  A report card's page after a student's paper
// (pdf_assembly.h) is read but not counted: the count is the paper's.
// Throws Error naming the file and what is wrong.
std::size_t CheckedPdfPageCount(const std::string& path);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_PDF_PDF_CHECK_H_
