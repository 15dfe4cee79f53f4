// A PDF written one source document at a time: each document's pages and
// everything they use are copied out, renumbered, as soon as it is added,
// and the document closed again, so that putting together thousands of
// students' PDFs holds one student's objects at a time, never the class's.
// The page tree, the outline and the cross-reference table are written
// last; what is kept until then is a number per page and an offset per
// object.
#ifndef GENERATESHEET_TOOLS_PDF_STREAMED_PDF_H_
#define GENERATESHEET_TOOLS_PDF_STREAMED_PDF_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "util/replacement_file.h"

class QPDF;

namespace generatesheet::cli {

class StreamedPdf {
 public:
  // Begins the file in `file`, whose header says `version` ("1.4").
  StreamedPdf(ReplacementFile& file, const std::string& version);

  // Copies every page of `source` but a report card's, in order; returns
  // how many.
  size_t AppendPages(QPDF& source);

  // A page with nothing on it, as large as the first page of `like`.
  void AppendBlankPage(QPDF& like);

  size_t pages() const { return page_objects_.size(); }

  // Reserves the next object number; WriteObject writes the object.
  int NewObject();
  void WriteObject(int number, const std::string& body);

  // The page tree, the outline (an item titled `titles[i]` opening page
  // `first_pages[i]`, from 0) and the cross-reference table.
  void Finish(const std::vector<std::string>& titles, const std::vector<size_t>& first_pages);

 private:
  void Write(const std::string& text);
  void Flush();

  ReplacementFile& file_;
  uint64_t written_ = 0;
  std::vector<uint64_t> offsets_;  // of object i + 1; 0 while not yet written
  std::vector<int> page_objects_;  // each page's object number, in order
  std::string buffer_;             // gathered into large writes
};

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_PDF_STREAMED_PDF_H_
