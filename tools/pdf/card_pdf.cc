#include "tools/pdf/card_pdf.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <deque>
#include <string>
#include <utility>

#include "tools/pdf/pdf_assembly.h"
#include "util/error.h"
#include "util/replacement_file.h"

namespace generatesheet::cli {

namespace {

// A printed document kept in memory with its bytes (qpdf reads them in
// place).
struct Document {
  std::string bytes;
  QPDF pdf;
};

// Writes `out` over `path` atomically.
void Replace(QPDF& out, const std::string& path) {
  ReplacementFile file(path, 0644);
  WritePdf(out, file);
  file.Commit();
}

// Takes the card pages out of `pdf`, which keeps the rest of itself (its
// structure tree, language and title); returns how many were taken out.
size_t RemoveCardPages(QPDF& pdf) {
  QPDFPageDocumentHelper pages(pdf);
  size_t removed = 0;
  for (QPDFPageObjectHelper& page : pages.getAllPages()) {
    if (!IsCardPage(page)) continue;
    pages.removePage(page);
    ++removed;
  }
  return removed;
}

}  // namespace

struct PrintedCards::Documents {
  std::deque<Document> documents;                // never moved: qpdf points into the bytes
  std::vector<std::pair<size_t, size_t>> pages;  // per card: document, page
};

PrintedCards::PrintedCards() : documents_(std::make_shared<Documents>()) {}
PrintedCards::~PrintedCards() = default;
PrintedCards::PrintedCards(PrintedCards&&) noexcept = default;
PrintedCards& PrintedCards::operator=(PrintedCards&&) noexcept = default;

void PrintedCards::Add(std::string pdf, size_t cards) {
  Document& d = documents_->documents.emplace_back();
  d.bytes = std::move(pdf);
  try {
    d.pdf.setSuppressWarnings(true);
    d.pdf.processMemoryFile("report cards", d.bytes.data(), d.bytes.size());
    const size_t pages = d.pdf.getAllPages().size();
    if (pages != cards) {
      throw Error("打印出 " + std::to_string(pages) + " 页，应为 " + std::to_string(cards) +
                  " 页（每张成绩报告单一页）");
    }
  } catch (const std::exception& e) {
    documents_->documents.pop_back();
    throw Error(std::string("成绩报告单的 PDF 无法使用：") + e.what());
  }
  for (size_t page = 0; page < cards; ++page) {
    documents_->pages.emplace_back(documents_->documents.size() - 1, page);
  }
}

size_t PrintedCards::size() const { return documents_->pages.size(); }

void PrintedCards::WriteAll(const std::string& path, const std::vector<std::string>& titles) {
  try {
    QPDF out;
    out.emptyPDF();
    for (Document& d : documents_->documents) AppendPages(out, d.pdf);
    std::vector<size_t> first(titles.size());
    for (size_t i = 0; i < first.size(); ++i) first[i] = i;
    AddOutline(out, titles, first);
    Replace(out, path);
  } catch (const Error&) {
    throw;
  } catch (const std::exception& e) {
    throw Error("无法写出成绩报告单 PDF：" + path + "：" + e.what());
  }
}

void PrintedCards::PutLast(size_t card, const std::string& student_pdf) {
  try {
    const auto [document, page] = documents_->pages.at(card);
    std::unique_ptr<MappedPdf> student = OpenPdf(student_pdf);
    QPDF& out = student->pdf();
    RemoveCardPages(out);
    if (out.getAllPages().empty()) throw Error("PDF 没有页面");
    QPDFPageDocumentHelper(out).addPage(
        QPDFPageObjectHelper(documents_->documents[document].pdf.getAllPages()[page]), false);
    QPDFPageObjectHelper last(out.getAllPages().back());
    // The card's marked content belongs to its own document's structure
    // tree, not to the student's.
    last.getObjectHandle().removeKey("/StructParents");
    MarkCardPage(last);
    Replace(out, student_pdf);
  } catch (const std::exception& e) {
    throw Error("成绩报告单未能加入学生的 PDF：" + student_pdf + "：" + e.what());
  }
}

bool RemoveCardPage(const std::string& student_pdf) {
  try {
    std::unique_ptr<MappedPdf> student = OpenPdf(student_pdf);
    if (RemoveCardPages(student->pdf()) == 0) return false;
    Replace(student->pdf(), student_pdf);
    return true;
  } catch (const std::exception& e) {
    throw Error("无法从学生的 PDF 中去掉旧的成绩报告单：" + student_pdf + "：" + e.what());
  }
}

}  // namespace generatesheet::cli
