// The PDF and workbook engines (libqpdf, HarfBuzz, fontconfig,
// libxlsxwriter and what they pull in: GnuTLS, libcrypto, FreeType, …) live
// in a module of their own, loaded the first time a command prints, puts
// PDFs together or writes a workbook.  Making a page never maps them: the
// loader would otherwise map and relocate some twenty libraries before
// main, several milliseconds of every `run`.
//
// EngineTable is the module's one entry point: the program's stand-ins for
// the engines' functions (engine_loader.cc) call through it.  A function of
// the engines that the rest of the program calls gets an entry and a
// stand-in; without them the program does not link.  Both sides
// are built from the same headers in one build; the module is taken only
// when its version and table size match the program's.
#ifndef GENERATESHEET_TOOLS_ENGINES_ENGINE_TABLE_H_
#define GENERATESHEET_TOOLS_ENGINES_ENGINE_TABLE_H_

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "tools/pdf/card_pdf.h"
#include "tools/pdf/class_pdf.h"
#include "tools/pdf/overlaid_split.h"
#include "tools/pdf/print_fonts.h"
#include "tools/summary/summary_table.h"

namespace generatesheet::cli {

struct EngineTable {
  const char* version;  // GENERATESHEET_VERSION of the build
  size_t size;          // sizeof(EngineTable) of the build

  std::string (ClassPdf::*class_pdf_add)(const std::string&, const std::string&);
  void (ClassPdf::*class_pdf_write)(const std::string&, const std::string&, bool);

  std::unique_ptr<PrintedGroup> (*open_printed_group)(std::string pdf, const std::string& mark,
                                                      size_t count);
  size_t (*checked_pdf_page_count)(const std::string& path);
  std::unique_ptr<PrintFonts> (*open_print_fonts)();

  size_t (*write_summary_workbook)(const std::string& path, const std::vector<SummaryTable>& tables,
                                   const std::vector<std::string>& note, const std::string& title,
                                   const std::string& date);
  std::string (*workbook_limit)(const std::vector<SummaryTable>& tables);

  // Moves new, empty cards into `into`.
  void (*make_printed_cards)(PrintedCards* into);
  void (PrintedCards::*printed_cards_add)(std::string, size_t);
  size_t (PrintedCards::*printed_cards_size)() const;
  void (PrintedCards::*printed_cards_write_all)(const std::string&,
                                                const std::vector<std::string>&);
  void (PrintedCards::*printed_cards_put_last)(size_t, const std::string&);
  bool (*remove_card_page)(const std::string& student_pdf);
};

// The name the module exports its table under.
inline constexpr char kEngineTableSymbol[] = "generatesheet_engine_table";
// The module's file name, beside the program in the build tree and in
// <libdir>/generatesheet/ when installed.
inline constexpr char kEngineModuleName[] = "generatesheet-engines.so";

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_ENGINES_ENGINE_TABLE_H_
