// The report cards' PDFs: cards.pdf (every card, one page each, each page
// bookmarked with its student), and each student's PDF with the student's
// card as its last page.  The cards are printed many to a document; their
// pages are taken from those documents as they are (no page is printed
// again).  A card's page in a student's PDF is marked (pdf_assembly.h), so
// a later run replaces it rather than adding a second, and the class PDF
// and the PDF's recorded page count leave it out.
#ifndef GENERATESHEET_TOOLS_PDF_CARD_PDF_H_
#define GENERATESHEET_TOOLS_PDF_CARD_PDF_H_

#include <memory>
#include <string>
#include <vector>

namespace generatesheet::cli {

// Printed cards: documents of one page per card, in order.
class PrintedCards {
 public:
  PrintedCards();
  ~PrintedCards();
  PrintedCards(PrintedCards&&) noexcept;
  PrintedCards& operator=(PrintedCards&&) noexcept;

  // Adds a printed document (PDF bytes) of `cards` cards; throws Error when
  // it cannot be read or has another number of pages.
  void Add(std::string pdf, size_t cards);
  size_t size() const;

  // Writes every card into `path` atomically, card i bookmarked as
  // titles[i].  Throws Error naming the file.
  void WriteAll(const std::string& path, const std::vector<std::string>& titles);

  // Makes card `card` the last page of the student's PDF at `student_pdf`
  // in place of any card there, atomically.  Throws Error naming the file.
  void PutLast(size_t card, const std::string& student_pdf);

 private:
  struct Documents;
  // Shared, not unique: the deleter is taken where the documents are made,
  // so the program can hold cards made by the engines module
  // (tools/engines/) without the type.  Never shared: moves only.
  std::shared_ptr<Documents> documents_;
};

// Takes a card's page out of the student's PDF at `student_pdf`, if it has
// one; returns whether it had.  Throws Error naming the file.
bool RemoveCardPage(const std::string& student_pdf);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_PDF_CARD_PDF_H_
