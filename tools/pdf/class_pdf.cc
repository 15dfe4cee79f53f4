#include "tools/pdf/class_pdf.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <span>
#include <utility>

#include "util/error.h"
#include "util/file_descriptor.h"
#include "util/replacement_file.h"

namespace generatesheet::cli {

namespace {

using Object = QPDFObjectHandle;

// Students put together in one step: a larger class is put together in
// pieces of this many, written to temporary files, then from the pieces, so
// that no more students' PDFs are held (mapped, their objects in memory) at
// once, however large the class.
constexpr size_t kPieceSize = 256;

// QPDFWriter's output into the temporary file that replaces the target, in
// large writes (the writer hands on a few bytes at a time).
class ReplacementPipeline : public Pipeline {
 public:
  explicit ReplacementPipeline(ReplacementFile& file)
      : Pipeline("class pdf", nullptr), file_(file) {}
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

// A PDF read through a mapping of its file, so that qpdf's many small reads
// and seeks cost no system call; warnings are kept off stderr, and a
// damaged file fails rather than being mended silently.
class MappedPdf {
 public:
  // Maps the file open as `fd` (which may be closed afterwards).
  MappedPdf(int fd, const std::string& name) {
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
  MappedPdf(const MappedPdf&) = delete;
  MappedPdf& operator=(const MappedPdf&) = delete;
  ~MappedPdf() { ::munmap(data_, size_); }

  QPDF& pdf() { return pdf_; }

 private:
  void* data_ = MAP_FAILED;
  size_t size_ = 0;
  QPDF pdf_;  // declared last: gone before the mapping it reads
};

std::unique_ptr<MappedPdf> OpenPdf(const std::string& path) {
  const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) throw SystemError("无法打开 PDF", path, errno);
  return std::make_unique<MappedPdf>(fd.get(), path);
}

// Appends every page of `source` to `out`; returns how many.
size_t AppendPages(QPDF& out, QPDF& source) {
  QPDFPageDocumentHelper pages(out);
  size_t count = 0;
  for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(source).getAllPages()) {
    pages.addPage(page, false);
    ++count;
  }
  return count;
}

// A page with nothing on it, as large as the first page of `like`.
void AppendBlankPage(QPDF& out, QPDF& like) {
  Object blank = Object::newDictionary();
  blank.replaceKey("/Type", Object::newName("/Page"));
  QPDFPageObjectHelper first(like.getAllPages().front());
  blank.replaceKey("/MediaBox", Object::newArray(first.getMediaBox().getArrayAsVector()));
  blank.replaceKey("/Resources", Object::newDictionary());
  blank.replaceKey("/Contents", Object::newStream(&out, ""));
  QPDFPageDocumentHelper(out).addPage(QPDFPageObjectHelper(out.makeIndirectObject(blank)), false);
}

// Where the pages go: the document and the pages placed before it.
struct Placing {
  size_t placed = 0;                                // pages of the whole class PDF so far
  std::vector<size_t> first;                        // each student's first page, from 0
  std::vector<std::unique_ptr<MappedPdf>> sources;  // open until written
};

// Appends the students' pages to `out`, each from a new page, from an odd
// page of the whole file when `odd_starts`.
void AppendStudents(QPDF& out, std::span<const std::string> paths, bool odd_starts,
                    Placing& placing) {
  for (const std::string& path : paths) {
    std::unique_ptr<MappedPdf> source = OpenPdf(path);
    if (odd_starts && placing.placed % 2 == 1) {
      AppendBlankPage(out, source->pdf());
      ++placing.placed;
    }
    placing.first.push_back(placing.placed);
    placing.placed += AppendPages(out, source->pdf());
    placing.sources.push_back(std::move(source));
  }
}

// Writes `pdf` to `file`.
void WritePdf(QPDF& pdf, ReplacementFile& file) {
  ReplacementPipeline pipeline(file);
  QPDFWriter writer(pdf);
  writer.setOutputPipeline(&pipeline);
  // The students' streams are copied as they are, never decoded and
  // compressed again: the browser compressed them already.
  writer.setDecodeLevel(qpdf_dl_none);
  writer.setStreamDataMode(qpdf_s_preserve);
  writer.write();
  pipeline.finish();
}

// A piece written to a temporary file beside the target (removed when the
// piece goes), and read back from it.
struct Piece {
  std::unique_ptr<ReplacementFile> file;
  std::unique_ptr<MappedPdf> pdf;
};

Piece WritePiece(const std::string& target, std::span<const std::string> paths, bool odd_starts,
                 Placing& placing) {
  Piece piece;
  {
    QPDF out;
    out.emptyPDF();
    Placing own;
    own.placed = placing.placed;
    AppendStudents(out, paths, odd_starts, own);
    piece.file = std::make_unique<ReplacementFile>(target, 0600, Durability::kReproducible);
    WritePdf(out, *piece.file);
    placing.placed = own.placed;
    placing.first.insert(placing.first.end(), own.first.begin(), own.first.end());
  }
  piece.pdf = std::make_unique<MappedPdf>(piece.file->fd(), target);
  return piece;
}

// The document outline: one item per student, in order, each opening its
// first page.
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

}  // namespace

std::string ClassPdf::Add(const std::string& pdf_path, const std::string& title) {
  try {
    if (OpenPdf(pdf_path)->pdf().getAllPages().empty()) return "PDF 没有页面：" + pdf_path;
  } catch (const std::exception& e) {
    return "PDF 无法读取：" + pdf_path + "：" + e.what();
  }
  parts_.push_back({pdf_path, title});
  return "";
}

void ClassPdf::Write(const std::string& path, const std::string& front, bool odd_starts) {
  try {
    QPDF out;
    out.emptyPDF();
    Placing placing;
    QPDF front_pdf;
    if (!front.empty()) {
      front_pdf.setSuppressWarnings(true);
      front_pdf.processMemoryFile("front page", front.data(), front.size());
      placing.placed = AppendPages(out, front_pdf);
    }
    std::vector<std::string> paths, titles;
    for (const Part& part : parts_) {
      paths.push_back(part.path);
      titles.push_back(part.title);
    }
    std::vector<Piece> pieces;
    if (paths.size() <= kPieceSize) {
      AppendStudents(out, paths, odd_starts, placing);
    } else {
      for (size_t begin = 0; begin < paths.size(); begin += kPieceSize) {
        const std::span<const std::string> piece(paths.data() + begin,
                                                 std::min(kPieceSize, paths.size() - begin));
        pieces.push_back(WritePiece(path, piece, odd_starts, placing));
        AppendPages(out, pieces.back().pdf->pdf());
      }
    }
    AddOutline(out, titles, placing.first);
    ReplacementFile file(path, 0644);
    WritePdf(out, file);
    file.Commit();
  } catch (const Error&) {
    throw;
  } catch (const std::exception& e) {
    throw Error("无法写出班级 PDF：" + path + "：" + e.what());
  }
}

}  // namespace generatesheet::cli
