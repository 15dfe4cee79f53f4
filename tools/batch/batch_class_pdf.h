// class.pdf of a batch: the PDFs of every student whose page is complete, in
// manifest order, in one file to print; the students left out are listed
// on its first page.
#ifndef GENERATESHEET_TOOLS_BATCH_BATCH_CLASS_PDF_H_
#define GENERATESHEET_TOOLS_BATCH_BATCH_CLASS_PDF_H_

#include <string>

#include "tools/batch/batch_plan.h"
#include "tools/pdf/pdf_printer.h"

namespace generatesheet::cli {

// Writes class.pdf into the folder `page_prefix` (ending with "/") from the
// PDFs the rows' students already have, each student from an odd page when
// `odd_starts`; the first page, when some are left out, is printed with
// `printer`.  A student whose page is complete but whose PDF cannot be put
// in is left out and becomes a row with errors, in its record too.  Throws
// Error naming the file at fault.
void WriteBatchClassPdf(BatchPlan& plan, const std::string& page_prefix, bool odd_starts,
                        PdfPrinter& printer);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_BATCH_BATCH_CLASS_PDF_H_
