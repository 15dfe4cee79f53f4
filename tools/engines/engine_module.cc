// The module's side: the table of the engines' real functions.
#include "generatesheet/version.h"
#include "tools/engines/engine_table.h"
#include "tools/pdf/pdf_check.h"
#include "tools/summary/summary_workbook.h"

namespace generatesheet::cli {
namespace {

void MakePrintedCards(PrintedCards* into) { *into = PrintedCards(); }

const EngineTable kTable = {
    .version = GENERATESHEET_VERSION,
    .size = sizeof(EngineTable),
    .class_pdf_add = &ClassPdf::Add,
    .class_pdf_write = &ClassPdf::Write,
    .open_printed_group = &OpenPrintedGroup,
    .checked_pdf_page_count = &CheckedPdfPageCount,
    .open_print_fonts = &OpenPrintFonts,
    .write_summary_workbook = &WriteSummaryWorkbook,
    .workbook_limit = &WorkbookLimit,
    .make_printed_cards = &MakePrintedCards,
    .printed_cards_add = &PrintedCards::Add,
    .printed_cards_size = &PrintedCards::size,
    .printed_cards_write_all = &PrintedCards::WriteAll,
    .printed_cards_put_last = &PrintedCards::PutLast,
    .remove_card_page = &RemoveCardPage,
};

}  // namespace
}  // namespace generatesheet::cli

extern "C" __attribute__((visibility("default"))) const generatesheet::cli::EngineTable*
generatesheet_engine_table() {
  return &generatesheet::cli::kTable;
}
