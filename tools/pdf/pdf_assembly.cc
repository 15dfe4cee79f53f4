#include "tools/pdf/pdf_assembly.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cerrno>

#include "util/error.h"
#include "util/file_descriptor.h"

namespace generatesheet::cli {

namespace {

using Object = QPDFObjectHandle;

// The key a report card's page carries in its page dictionary: a second
// class-specific key readers pass over, as PDF allows.
constexpr char kCardMark[] = "/GenerateSheetReportCard";

// QPDFWriter's output into the temporary file that replaces the target, in
// large writes (the writer hands on a few bytes at a time).
class ReplacementPipeline : public Pipeline {
 public:
  explicit ReplacementPipeline(ReplacementFile& file) : Pipeline("pdf", nullptr), file_(file) {}
  void write(unsigned char const* data, size_t len) override {
    buffer_.append(reinterpret_cast<const char*>(data), len);
    if (buffer_.size() >= kFlushSize) finish();
  }
  void finish() override {
    file_.Write(buffer_);
    buffer_.clear();
  }

 private:
  static constexpr size_t kFlushSize = 1 << 20;
  ReplacementFile& file_;
  std::string buffer_;
};

}  // namespace

MappedPdf::MappedPdf(int fd, const std::string& name) : data_(MAP_FAILED) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) throw SystemError("无法读取 PDF", name, errno);
  size_ = static_cast<size_t>(st.st_size);
  if (size_ == 0) throw Error("PDF 是空文件：" + name);
  data_ = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
  if (data_ == MAP_FAILED) throw SystemError("无法读取 PDF", name, errno);
  pdf_.setSuppressWarnings(true);
  pdf_.setAttemptRecovery(false);
  pdf_.processMemoryFile(name.c_str(), static_cast<const char*>(data_), size_);
}

MappedPdf::~MappedPdf() {
  if (data_ != MAP_FAILED) ::munmap(data_, size_);
}

std::unique_ptr<MappedPdf> OpenPdf(const std::string& path) {
  const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) throw SystemError("无法打开 PDF", path, errno);
  return std::make_unique<MappedPdf>(fd.get(), path);
}

bool IsCardPage(QPDFPageObjectHelper& page) {
  Object mark = page.getObjectHandle().getKey(kCardMark);
  return mark.isBool() && mark.getBoolValue();
}

void MarkCardPage(QPDFPageObjectHelper& page) {
  page.getObjectHandle().replaceKey(kCardMark, Object::newBool(true));
}

size_t PaperPageCount(QPDF& pdf) {
  size_t count = 0;
  for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
    if (!IsCardPage(page)) ++count;
  }
  return count;
}

size_t AppendPages(QPDF& out, QPDF& source) {
  QPDFPageDocumentHelper pages(out);
  size_t count = 0;
  for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(source).getAllPages()) {
    if (IsCardPage(page)) continue;
    pages.addPage(page, false);
    ++count;
  }
  return count;
}

void WritePdf(QPDF& pdf, ReplacementFile& file) {
  ReplacementPipeline pipeline(file);
  QPDFWriter writer(pdf);
  writer.setOutputPipeline(&pipeline);
  writer.setDecodeLevel(qpdf_dl_none);
  writer.setStreamDataMode(qpdf_s_preserve);
  writer.write();
  pipeline.finish();
}

void AddOutline(QPDF& out, const std::vector<std::string>& titles,
                const std::vector<size_t>& first_pages) {
  if (titles.empty()) return;
  const std::vector<Object>& pages = out.getAllPages();
  Object outlines = out.makeIndirectObject(Object::newDictionary());
  outlines.replaceKey("/Type", Object::newName("/Outlines"));
  Object previous;
  for (size_t i = 0; i < titles.size(); ++i) {
    Object item = out.makeIndirectObject(Object::newDictionary());
    item.replaceKey("/Title", Object::newUnicodeString(titles[i]));
    item.replaceKey("/Parent", outlines);
    item.replaceKey("/Dest", Object::newArray({pages.at(first_pages[i]), Object::newName("/Fit")}));
    if (i == 0) {
      outlines.replaceKey("/First", item);
    } else {
      item.replaceKey("/Prev", previous);
      previous.replaceKey("/Next", item);
    }
    previous = item;
  }
  outlines.replaceKey("/Last", previous);
  outlines.replaceKey("/Count", Object::newInteger(static_cast<long long>(titles.size())));
  out.getRoot().replaceKey("/Outlines", outlines);
  out.getRoot().replaceKey("/PageMode", Object::newName("/UseOutlines"));
}

}  // namespace generatesheet::cli
