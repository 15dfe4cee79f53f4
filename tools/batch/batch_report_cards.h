// The report cards of a batch, written after its summary from the same
// figures: NAME.card.html beside each student's page, and with --pdf the
// card as the last page of the student's PDF and every card in cards.pdf
// (manifest order, one bookmarked page a student).  A student without a
// card (page not written, with errors, or total unknown) has any card of
// an earlier run removed, so no card tells an old score.
#ifndef GENERATESHEET_TOOLS_BATCH_BATCH_REPORT_CARDS_H_
#define GENERATESHEET_TOOLS_BATCH_BATCH_REPORT_CARDS_H_

#include <string>

#include "tools/batch/batch_plan.h"
#include "tools/pdf/pdf_printer.h"
#include "tools/summary/report_cards.h"

namespace generatesheet::cli {

// Cards printed as one document: a print costs the browser about as much
// for one card as for many.
inline constexpr size_t kCardsTogether = 25;

// Writes the cards of `cards` for the rows of `plan` into `page_prefix`
// (ending with "/"); with `pdf`, prints them with `printer`.  Returns false
// when a card or a PDF could not be written (each told on stderr).
bool WriteBatchReportCards(ReportCards cards, const BatchPlan& plan, const std::string& page_prefix,
                           bool pdf, PdfPrinter& printer);

// The cards of a summary rebuilt from folders, written into its folder
// (ending with "/") named after each student's page; of two pages of one
// name in different folders, the first's.  With a browser, cards.pdf too,
// and the card as the last page of each student's PDF in that folder;
// without one, the cards' pages only (an earlier cards.pdf goes), told on
// stderr.  Returns false when a card or a PDF could not be written.
bool WriteFolderReportCards(ReportCards cards, const std::string& folder);

// The cards of an earlier run with --report-cards, when this one writes
// none: each row's NAME.card.html, the card page of its PDF and cards.pdf
// go, as they tell figures the new summary may contradict.
void RemoveReportCards(const BatchPlan& plan, const std::string& page_prefix);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_BATCH_BATCH_REPORT_CARDS_H_
