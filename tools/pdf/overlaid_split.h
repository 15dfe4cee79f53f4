// Cuts the PDF of several students' pages, printed as one document, into a
// PDF for each student, with a second PDF's pages (the running header and
// the page numbers) laid over the first's, page for page.
#ifndef GENERATESHEET_TOOLS_PDF_OVERLAID_SPLIT_H_
#define GENERATESHEET_TOOLS_PDF_OVERLAID_SPLIT_H_

#include <cstddef>
#include <string>
#include <vector>

namespace generatesheet::cli {

// Each student's first page is marked in the printed document by a link to
// an address that starts with a mark of the group's own (one no page can
// know, so no link of a page can pass for one) and ends with the student's
// place in the group (from 0); the links are taken out of the students'
// PDFs.

// The pages each student takes in a document printed with `mark` links
// (`count` students).  Throws Error unless every student's mark is found,
// the first on the first page, each on a later page than the last.
std::vector<size_t> StudentPageCounts(const std::string& pdf, const std::string& mark,
                                      size_t count);

struct StudentPdf {
  std::string title;  // the PDF's title: the student's page's
  std::string path;
};

// Writes each student's PDF: its pages of `pdf` (a document with `mark`
// links), each with the page of `overlay` of the same place laid over it.
// Throws Error naming the file that could not be written.
void WriteStudentPdfs(const std::string& pdf, const std::string& mark, const std::string& overlay,
                      const std::vector<StudentPdf>& students);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_PDF_OVERLAID_SPLIT_H_
