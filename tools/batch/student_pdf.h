// A student's PDF beside the page, and whether it is still the page's: a
// page made again makes the PDF beside it stale, and a PDF left from an
// earlier run may have been damaged since.
#ifndef GENERATESHEET_TOOLS_BATCH_STUDENT_PDF_H_
#define GENERATESHEET_TOOLS_BATCH_STUDENT_PDF_H_

#include <string>

#include "tools/job/student_record.h"

namespace generatesheet::cli {

// Removes the PDF of the page at `page_path` before the page is made again;
// throws Error naming the PDF when it stays.
void RemoveEarlierPdf(const std::string& page_path);

// Puts the page count of the PDF just printed at `pdf_path` into `record`;
// a PDF that does not read whole makes the record one with errors.
void RecordPdfPages(StudentRecord& record, const std::string& pdf_path);

// Whether the PDF of the page at `page_path` is the one `record` tells was
// printed with the page: there, no older than the page, and read whole
// with the page count printed.
bool PdfStillPrinted(const std::string& page_path, const StudentRecord& record);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_BATCH_STUDENT_PDF_H_
