#include "tools/batch/student_pdf.h"

#include <unistd.h>

#include <cerrno>

#include "tools/batch/batch_plan.h"
#include "tools/job/output_files.h"
#include "tools/pdf/pdf_check.h"
#include "tools/pdf/pdf_printer.h"
#include "util/error.h"

namespace generatesheet::cli {

void RemoveEarlierPdf(const std::string& page_path) {
  const std::string pdf = PdfPathFor(page_path);
  // A folder in its place is no PDF: printing there says so.
  if (::unlink(pdf.c_str()) != 0 && errno != ENOENT && errno != EISDIR) {
    throw SystemError("无法删除旧的 PDF", pdf, errno);
  }
}

void RecordPdfPages(StudentRecord& record, const std::string& pdf_path) {
  try {
    record.pdf_pages = CheckedPdfPageCount(pdf_path);
  } catch (const Error& e) {
    record.pdf_pages = 0;
    AddFailure(record, e.what());
  }
}

bool PdfStillPrinted(const std::string& page_path, const StudentRecord& record) {
  const std::string pdf = PdfPathFor(page_path);
  if (record.pdf_pages == 0 || !PageIsNewerThanPackage(pdf, page_path)) return false;
  try {
    return CheckedPdfPageCount(pdf) == record.pdf_pages;
  } catch (const Error&) {
    return false;
  }
}

}  // namespace generatesheet::cli
