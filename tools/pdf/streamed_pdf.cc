#include "tools/pdf/streamed_pdf.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjGen.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <set>

#include "tools/pdf/pdf_assembly.h"

namespace generatesheet::cli {

namespace {

using Object = QPDFObjectHandle;

// The object numbers of the page tree's root and the catalog.
constexpr int kCatalog = 1;
constexpr int kPageTree = 2;
constexpr size_t kFlushSize = 1 << 20;

std::string Reference(int number) { return std::to_string(number) + " 0 R"; }

// One source document's objects, reached from its pages, each given a
// number of the new file as it is first referred to and written once.
class DocumentCopy {
 public:
  DocumentCopy(StreamedPdf& out, QPDF& source) : out_(out) {
    source.pushInheritedAttributesToPage();
    for (const Object& page : source.getAllPages()) pages_.insert(page.getObjGen());
  }

  int Number(const Object& object) {
    const auto [at, added] = numbers_.emplace(object.getObjGen(), 0);
    if (added) {
      at->second = out_.NewObject();
      pending_.push_back(object);
    }
    return at->second;
  }

  // Writes every object referred to so far, and those they refer to.
  void WritePending() {
    while (!pending_.empty()) {
      Object object = pending_.front();
      pending_.pop_front();
      out_.WriteObject(numbers_.at(object.getObjGen()), Body(object));
    }
  }

 private:
  std::string Body(Object object) {
    if (!object.isStream()) return Text(object, true);
    const std::shared_ptr<Buffer> data = object.getRawStreamData();
    // The data is copied as it is, still encoded: its length is its own.
    std::string body = Dictionary(object.getDict(), false, data->getSize());
    body += "\nstream\n";
    body.append(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
    return body + "\nendstream";
  }

  // An object's text; an indirect object below the top by its reference.
  std::string Text(Object object, bool top) {
    if (!top && object.isIndirect()) return Reference(Number(object));
    if (object.isDictionary()) {
      return Dictionary(object, pages_.count(object.getObjGen()) > 0, std::string::npos);
    }
    if (object.isArray()) {
      std::string text = "[";
      for (const Object& item : object.getArrayAsVector()) text += " " + Text(item, false);
      return text + " ]";
    }
    return object.unparseResolved();
  }

  // A page's parent is the new page tree; a stream's length is `length`
  // (npos: no stream).
  std::string Dictionary(Object dictionary, bool page, size_t length) {
    std::string text = "<<";
    for (const std::string& key : dictionary.getKeys()) {
      if (key == "/Length" && length != std::string::npos) continue;
      text += " " + Object::newName(key).unparse() + " ";
      text += page && key == "/Parent" ? Reference(kPageTree) : Text(dictionary.getKey(key), false);
    }
    if (length != std::string::npos) text += " /Length " + std::to_string(length);
    return text + " >>";
  }

  StreamedPdf& out_;
  std::set<QPDFObjGen> pages_;
  std::map<QPDFObjGen, int> numbers_;
  std::deque<Object> pending_;
};

}  // namespace

StreamedPdf::StreamedPdf(ReplacementFile& file, const std::string& version) : file_(file) {
  Write("%PDF-" + version + "\n%\xbf\xf7\xa2\xfe\n");
  NewObject();  // kCatalog
  NewObject();  // kPageTree
}

int StreamedPdf::NewObject() {
  offsets_.push_back(0);
  return static_cast<int>(offsets_.size());
}

void StreamedPdf::WriteObject(int number, const std::string& body) {
  offsets_[static_cast<size_t>(number) - 1] = written_;
  Write(std::to_string(number) + " 0 obj\n" + body + "\nendobj\n");
}

void StreamedPdf::Write(const std::string& text) {
  buffer_ += text;
  written_ += text.size();
  if (buffer_.size() >= kFlushSize) Flush();
}

void StreamedPdf::Flush() {
  file_.Write(buffer_);
  buffer_.clear();
}

size_t StreamedPdf::AppendPages(QPDF& source) {
  DocumentCopy copy(*this, source);
  size_t count = 0;
  for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(source).getAllPages()) {
    if (IsCardPage(page)) continue;  // the class PDF holds the papers
    page_objects_.push_back(copy.Number(page.getObjectHandle()));
    ++count;
  }
  copy.WritePending();
  return count;
}

void StreamedPdf::AppendBlankPage(QPDF& like) {
  QPDFPageObjectHelper first(like.getAllPages().front());
  Object box = Object::newArray(first.getMediaBox().getArrayAsVector());
  const int contents = NewObject();
  WriteObject(contents, "<< /Length 0 >>\nstream\n\nendstream");
  const int page = NewObject();
  WriteObject(page, "<< /Type /Page /Parent " + Reference(kPageTree) + " /MediaBox " +
                        box.unparseResolved() + " /Resources << >> /Contents " +
                        Reference(contents) + " >>");
  page_objects_.push_back(page);
}

void StreamedPdf::Finish(const std::vector<std::string>& titles,
                         const std::vector<size_t>& first_pages) {
  std::string kids;
  for (const int page : page_objects_) kids += " " + Reference(page);
  WriteObject(kPageTree, "<< /Type /Pages /Kids [" + kids + " ] /Count " +
                             std::to_string(page_objects_.size()) + " >>");
  std::string catalog = "<< /Type /Catalog /Pages " + Reference(kPageTree);
  if (!titles.empty()) {
    const int outlines = NewObject();
    const int first_item = static_cast<int>(offsets_.size()) + 1;
    const int last_item = first_item + static_cast<int>(titles.size()) - 1;
    for (size_t i = 0; i < titles.size(); ++i) {
      const int item = NewObject();
      std::string body = "<< /Title " + Object::newUnicodeString(titles[i]).unparseResolved() +
                         " /Parent " + Reference(outlines) + " /Dest [ " +
                         Reference(page_objects_.at(first_pages[i])) + " /Fit ]";
      if (item > first_item) body += " /Prev " + Reference(item - 1);
      if (item < last_item) body += " /Next " + Reference(item + 1);
      WriteObject(item, body + " >>");
    }
    WriteObject(outlines, "<< /Type /Outlines /First " + Reference(first_item) + " /Last " +
                              Reference(last_item) + " /Count " + std::to_string(titles.size()) +
                              " >>");
    catalog += " /Outlines " + Reference(outlines) + " /PageMode /UseOutlines";
  }
  WriteObject(kCatalog, catalog + " >>");
  const uint64_t xref = written_;
  Write("xref\n0 " + std::to_string(offsets_.size() + 1) + "\n0000000000 65535 f \n");
  char entry[32];
  for (const uint64_t offset : offsets_) {
    std::snprintf(entry, sizeof entry, "%010llu 00000 n \n",
                  static_cast<unsigned long long>(offset));
    Write(entry);
  }
  Write("trailer\n<< /Size " + std::to_string(offsets_.size() + 1) + " /Root " +
        Reference(kCatalog) + " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n");
  Flush();
}

}  // namespace generatesheet::cli
