#include "tools/pdf/pdf_check.h"

#include <sys/stat.h>
#include <qpdf/Pl_Discard.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <exception>

#include "tools/pdf/pdf_assembly.h"
#include "util/error.h"

namespace generatesheet::cli {

std::size_t CheckedPdfPageCount(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) throw Error("PDF 不存在：" + path);
  if (!S_ISREG(st.st_mode)) throw Error("PDF 不是普通文件：" + path);
  std::size_t pages = 0;
  try {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.setAttemptRecovery(false);
    pdf.processFile(path.c_str());
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
      Pl_Discard discard;
      page.pipeContents(&discard);
      if (!IsCardPage(page)) ++pages;
    }
    if (pdf.anyWarnings()) throw Error("有损坏之处");
  } catch (const std::exception& e) {
    throw Error("PDF 已损坏：" + path + "：" + e.what());
  }
  if (pages == 0) throw Error("PDF 没有页面：" + path);
  return pages;
}

}  // namespace generatesheet::cli
