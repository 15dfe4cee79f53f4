#include "tools/pdf/class_pdf.h"

#include <qpdf/QPDF.hh>

#include <algorithm>
#include <memory>
#include <vector>

#include "tools/pdf/pdf_assembly.h"
#include "tools/pdf/streamed_pdf.h"
#include "util/error.h"
#include "util/replacement_file.h"

namespace generatesheet::cli {

std::string ClassPdf::Add(const std::string& pdf_path, const std::string& title) {
  try {
    // A report card after the paper is left out: the class PDF holds the papers.
    const std::unique_ptr<MappedPdf> pdf = OpenPdf(pdf_path);
    if (PaperPageCount(pdf->pdf()) == 0) return "PDF 没有页面：" + pdf_path;
    parts_.push_back({pdf_path, title, pdf->pdf().getPDFVersion()});
  } catch (const std::exception& e) {
    return "PDF 无法读取：" + pdf_path + "：" + e.what();
  }
  return "";
}

void ClassPdf::Write(const std::string& path, const std::string& front, bool odd_starts) {
  try {
    std::unique_ptr<QPDF> front_pdf;
    std::string version = "1.4";
    if (!front.empty()) {
      front_pdf = std::make_unique<QPDF>();
      front_pdf->setSuppressWarnings(true);
      front_pdf->processMemoryFile("front page", front.data(), front.size());
      version = std::max(version, front_pdf->getPDFVersion());
    }
    for (const Part& part : parts_) version = std::max(version, part.version);
    ReplacementFile file(path, 0644);
    StreamedPdf out(file, version);
    if (front_pdf) out.AppendPages(*front_pdf);
    front_pdf.reset();
    std::vector<std::string> titles;
    std::vector<size_t> first_pages;
    for (const Part& part : parts_) {
      // One student's PDF open at a time: its objects are written out and
      // let go before the next is read.
      const std::unique_ptr<MappedPdf> source = OpenPdf(part.path);
      if (odd_starts && out.pages() % 2 == 1) out.AppendBlankPage(source->pdf());
      titles.push_back(part.title);
      first_pages.push_back(out.pages());
      out.AppendPages(source->pdf());
    }
    out.Finish(titles, first_pages);
    file.Commit();
  } catch (const Error&) {
    throw;
  } catch (const std::exception& e) {
    throw Error("无法写出班级 PDF：" + path + "：" + e.what());
  }
}

}  // namespace generatesheet::cli
