// The class PDF: the PDFs of a class's students in one file, to print the
// class in one go.  It is put together from the students' own PDFs (no page
// is printed again): their pages in order, each student's first page
// bookmarked with their number and name, optionally a front page before
// them (the students left out), and with duplex printing in mind a blank
// page wherever one is needed for every student to start on an odd page.
#ifndef GENERATESHEET_TOOLS_PDF_CLASS_PDF_H_
#define GENERATESHEET_TOOLS_PDF_CLASS_PDF_H_

#include <cstddef>
#include <string>
#include <vector>

namespace generatesheet::cli {

class ClassPdf {
 public:
  // Reads a student's PDF to be put in, bookmarked as `title`; returns why
  // it cannot be ("" when it can).  The file is read again by Write.
  std::string Add(const std::string& pdf_path, const std::string& title);

  // Writes the file at `path` atomically: the pages of `front` (a whole PDF
  // in memory, or "" for none), then every student added, each from a new
  // page, from an odd page when `odd_starts`.  Throws Error naming the file
  // that could not be read or written.
  void Write(const std::string& path, const std::string& front, bool odd_starts);

 private:
  struct Part {
    std::string path;
    std::string title;
    std::string version;  // the PDF's version, "1.4"
  };

  std::vector<Part> parts_;
};

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_PDF_CLASS_PDF_H_
