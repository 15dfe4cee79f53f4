// The module's side: the table of the engines' real functions.
#include "generatesheet/version.h"
#include "tools/engines/engine_table.h"
#include "tools/pdf/pdf_check.h"
#include "tools/summary/summary_workbook.h"

namespace generatesheet::cli {
namespace {

const EngineTable kTable = {
    GENERATESHEET_VERSION, sizeof(EngineTable),   &ClassPdf::Add,
    &ClassPdf::Write,      &OpenPrintedGroup,     &CheckedPdfPageCount,
    &OpenPrintFonts,       &WriteSummaryWorkbook, &WorkbookLimit,
};

}  // namespace
}  // namespace generatesheet::cli

extern "C" __attribute__((visibility("default"))) const generatesheet::cli::EngineTable*
generatesheet_engine_table() {
  return &generatesheet::cli::kTable;
}
