// Cuts the PDF of several students' pages, printed as one document, into a
// PDF for each student, with a second PDF's pages (the running header and
// the page numbers) laid over the first's, page for page.
#ifndef GENERATESHEET_TOOLS_PDF_OVERLAID_SPLIT_H_
#define GENERATESHEET_TOOLS_PDF_OVERLAID_SPLIT_H_

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class QPDF;

namespace generatesheet::cli {

struct StudentPdf {
  std::string title;  // the PDF's title: the student's page's
  std::string path;
};

// Each student's first page is marked in the printed document by a link to
// an address that starts with a mark of the group's own (one no page can
// know, so no link of a page can pass for one) and ends with the student's
// place in the group (from 0); the links are taken out of the students'
// PDFs.
class PrintedGroup {
 public:
  // Reads the printed document of `count` students.  Throws Error unless
  // every student's mark is found, the first on the first page, each on a
  // later page than the last.
  PrintedGroup(std::string pdf, const std::string& mark, size_t count);
  // Virtual, as is WriteStudentPdfs: the program holds a group made by the
  // engines module (OpenPrintedGroup) and links none of its code.
  virtual ~PrintedGroup();

  // The pages each student takes, in order.
  const std::vector<size_t>& page_counts() const { return counts_; }

  // Writes each student's PDF: its pages, each with the page of `overlay`
  // of the same place laid over it.  Throws Error naming the file that
  // could not be written.
  virtual void WriteStudentPdfs(const std::string& overlay,
                                const std::vector<StudentPdf>& students);

 private:
  std::string bytes_;  // read by pdf_ for as long as it lives
  std::unique_ptr<QPDF> pdf_;
  std::vector<size_t> counts_;
};

// A PrintedGroup made where the engines are (tools/engines/): in the
// program, by the engines module it loads on first use.
std::unique_ptr<PrintedGroup> OpenPrintedGroup(std::string pdf, const std::string& mark,
                                               size_t count);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_PDF_OVERLAID_SPLIT_H_
