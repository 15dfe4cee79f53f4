#include "tools/pdf/class_pdf.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <memory>
#include <span>
#include <utility>

#include "tools/pdf/pdf_assembly.h"
#include "util/error.h"
#include "util/replacement_file.h"

namespace generatesheet::cli {

namespace {

using Object = QPDFObjectHandle;

// Students put together in one step: a larger class is put together in
// pieces of this many, written to temporary files, then from the pieces, so
// that no more students' PDFs are held (mapped, their objects in memory) at
// once, however large the class.
constexpr size_t kPieceSize = 256;

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

}  // namespace

std::string ClassPdf::Add(const std::string& pdf_path, const std::string& title) {
  try {
    // A report card after the paper is left out: the class PDF holds the papers.
    if (PaperPageCount(OpenPdf(pdf_path)->pdf()) == 0) return "PDF 没有页面：" + pdf_path;
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
