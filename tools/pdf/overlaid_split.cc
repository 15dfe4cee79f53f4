#include "tools/pdf/overlaid_split.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <charconv>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "util/error.h"
#include "util/file_util.h"

namespace generatesheet::cli {

namespace {

using Object = QPDFObjectHandle;

std::unique_ptr<QPDF> ReadPdf(const std::string& bytes, const char* what) {
  auto pdf = std::make_unique<QPDF>();
  pdf->setSuppressWarnings(true);
  pdf->setAttemptRecovery(false);
  pdf->processMemoryFile(what, bytes.data(), bytes.size());
  return pdf;
}

// The student a link annotation marks (its place in the group), if it is
// a `mark` link.
std::optional<size_t> MarkedStudent(Object annotation, std::string_view mark) {
  if (!annotation.isDictionary()) return std::nullopt;
  Object action = annotation.getKey("/A");
  if (!action.isDictionary() || !action.getKey("/URI").isString()) return std::nullopt;
  const std::string uri = action.getKey("/URI").getStringValue();
  const std::string_view prefix = mark;
  if (!uri.starts_with(prefix)) return std::nullopt;
  size_t student = 0;
  const char* first = uri.data() + prefix.size();
  const char* last = uri.data() + uri.size();
  const auto [end, ec] = std::from_chars(first, last, student);
  if (ec != std::errc() || end != last || first == last) return std::nullopt;
  return student;
}

// Takes the student marks off every page; returns each student's first
// page (npos where none was found).
std::vector<size_t> TakeMarks(QPDF& pdf, const std::string& mark, size_t count) {
  std::vector<size_t> first(count, std::string::npos);
  const std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
  for (size_t p = 0; p < pages.size(); ++p) {
    Object page = pages[p].getObjectHandle();
    Object annotations = page.getKey("/Annots");
    if (!annotations.isArray()) continue;
    std::vector<Object> kept;
    for (const Object& annotation : annotations.getArrayAsVector()) {
      const std::optional<size_t> student = MarkedStudent(annotation, mark);
      if (!student) {
        kept.push_back(annotation);
      } else if (*student < count && first[*student] == std::string::npos) {
        first[*student] = p;
      }
    }
    if (kept.empty()) {
      page.removeKey("/Annots");
    } else {
      page.replaceKey("/Annots", Object::newArray(kept));
    }
  }
  return first;
}

std::vector<size_t> CountsFromFirstPages(const std::vector<size_t>& first, size_t pages) {
  std::vector<size_t> counts;
  for (size_t i = 0; i < first.size(); ++i) {
    const size_t next = i + 1 < first.size() ? first[i + 1] : pages;
    if (first[i] == std::string::npos || (i == 0 && first[i] != 0) || next == std::string::npos ||
        next <= first[i]) {
      throw Error("合并打印的 PDF 中找不到第 " + std::to_string(i + 1) + " 名学生的起始页");
    }
    counts.push_back(next - first[i]);
  }
  return counts;
}

// Lays `overlay` (a page of another PDF) over `page`, which belongs to `out`.
void LayOver(QPDF& out, QPDFPageObjectHelper page, QPDFPageObjectHelper overlay) {
  Object form = out.copyForeignObject(overlay.getFormXObjectForPage());
  Object resources = page.getAttribute("/Resources", true);
  if (!resources.getKey("/XObject").isDictionary()) {
    resources.replaceKey("/XObject", Object::newDictionary());
  }
  int suffix = 0;
  const std::string name = resources.getUniqueResourceName("/Fx", suffix);
  resources.getKey("/XObject").replaceKey(name, form);
  const std::string place =
      page.placeFormXObject(form, name, page.getTrimBox().getArrayAsRectangle());
  // The page's own drawing is closed in a saved state first, so none of
  // its settings carry over to the overlay.
  page.addPageContents(Object::newStream(&out, "q\n"), true);
  page.addPageContents(Object::newStream(&out, "\nQ\n" + place + "\n"), false);
}

// The document information of a student's PDF: the printed document's,
// titled for the student.
Object StudentInfo(QPDF& out, QPDF& printed, const std::string& title) {
  Object info = Object::newDictionary();
  Object printed_info = printed.getTrailer().getKey("/Info");
  if (printed_info.isDictionary()) {
    for (const std::string& key : printed_info.getKeys()) {
      Object value = printed_info.getKey(key);
      if (value.isString()) info.replaceKey(key, Object::newString(value.getStringValue()));
    }
  }
  info.replaceKey("/Title", Object::newUnicodeString(title));
  return out.makeIndirectObject(info);
}

std::string WriteToMemory(QPDF& pdf, const std::string& version) {
  QPDFWriter writer(pdf);
  writer.setOutputMemory();
  writer.setMinimumPDFVersion(version);
  // The browser compressed the streams already: they are copied as they are.
  writer.setDecodeLevel(qpdf_dl_none);
  writer.setStreamDataMode(qpdf_s_preserve);
  writer.write();
  const std::shared_ptr<Buffer> buffer = writer.getBufferSharedPointer();
  return std::string(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
}

}  // namespace

PrintedGroup::PrintedGroup(std::string pdf, const std::string& mark, size_t count)
    : bytes_(std::move(pdf)) {
  try {
    pdf_ = ReadPdf(bytes_, "printed group");
    counts_ = CountsFromFirstPages(TakeMarks(*pdf_, mark, count), pdf_->getAllPages().size());
  } catch (const Error&) {
    throw;
  } catch (const std::exception& e) {
    throw Error(std::string("合并打印的 PDF 无法读取：") + e.what());
  }
}

PrintedGroup::~PrintedGroup() = default;

std::unique_ptr<PrintedGroup> OpenPrintedGroup(std::string pdf, const std::string& mark,
                                               size_t count) {
  return std::make_unique<PrintedGroup>(std::move(pdf), mark, count);
}

void PrintedGroup::WriteStudentPdfs(const std::string& overlay,
                                    const std::vector<StudentPdf>& students) {
  std::unique_ptr<QPDF> over;
  try {
    over = ReadPdf(overlay, "running headers");
  } catch (const std::exception& e) {
    throw Error(std::string("页眉页脚的 PDF 无法读取：") + e.what());
  }
  const std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(*pdf_).getAllPages();
  const std::vector<QPDFPageObjectHelper> headers = QPDFPageDocumentHelper(*over).getAllPages();
  if (headers.size() != pages.size() || students.size() != counts_.size()) {
    throw Error("页眉页脚的页数（" + std::to_string(headers.size()) + "）与合并打印的页数（" +
                std::to_string(pages.size()) + "）不符");
  }
  size_t next = 0;
  for (size_t s = 0; s < students.size(); ++s) {
    std::string bytes;
    try {
      QPDF out;
      out.emptyPDF();
      QPDFPageDocumentHelper out_pages(out);
      for (size_t p = next; p < next + counts_[s]; ++p) out_pages.addPage(pages[p], false);
      const std::vector<QPDFPageObjectHelper> placed = out_pages.getAllPages();
      for (size_t p = 0; p < placed.size(); ++p) LayOver(out, placed[p], headers[next + p]);
      out.getTrailer().replaceKey("/Info", StudentInfo(out, *pdf_, students[s].title));
      bytes = WriteToMemory(out, pdf_->getPDFVersion());
    } catch (const std::exception& e) {
      throw Error("PDF 未生成：" + students[s].path + "：" + e.what());
    }
    next += counts_[s];
    WriteFileAtomically(students[s].path, bytes);
  }
}

}  // namespace generatesheet::cli
