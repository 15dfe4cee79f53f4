// The program's side: the engines' functions as the rest of the program
// calls them, each loading the module on first use and calling through its
// table.  Linked into the program only; the tests link the engines
// themselves.
#include <dlfcn.h>

#include <filesystem>
#include <mutex>
#include <system_error>

#include "generatesheet/version.h"
#include "tools/engines/engine_table.h"
#include "tools/pdf/pdf_check.h"
#include "tools/summary/summary_workbook.h"
#include "util/error.h"

namespace generatesheet::cli {

namespace {

namespace fs = std::filesystem;

// Where the module may be: beside the program (the build tree), then where
// `cmake --install` puts it, relative to the program.
std::vector<fs::path> ModuleCandidates() {
  std::error_code ec;
  const fs::path folder = fs::read_symlink("/proc/self/exe", ec).parent_path();
  if (ec) return {};
  return {folder / kEngineModuleName,
          folder / GENERATESHEET_ENGINES_FROM_PROGRAM / kEngineModuleName};
}

const EngineTable& LoadTable() {
  std::string tried;
  for (const fs::path& candidate : ModuleCandidates()) {
    std::error_code ec;
    if (!fs::is_regular_file(candidate, ec)) {
      tried += (tried.empty() ? "" : "、") + candidate.lexically_normal().string();
      continue;
    }
    const std::string path = candidate.lexically_normal().string();
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) throw Error("无法载入 PDF 与工作簿模块 " + path + "：" + dlerror());
    using Entry = const EngineTable* (*)();
    auto entry = reinterpret_cast<Entry>(dlsym(module, kEngineTableSymbol));
    const EngineTable* table = entry == nullptr ? nullptr : entry();
    if (table == nullptr || table->size != sizeof(EngineTable) ||
        std::string(table->version) != GENERATESHEET_VERSION) {
      throw Error("PDF 与工作簿模块 " + path +
                  " 与本程序（" GENERATESHEET_VERSION "）不是同一次构建，请重新安装");
    }
    return *table;  // the module stays loaded for the life of the process
  }
  throw Error("找不到 PDF 与工作簿模块 " + std::string(kEngineModuleName) + "（查找过：" + tried +
              "）");
}

const EngineTable& Engines() {
  static std::once_flag once;
  static const EngineTable* table = nullptr;
  std::call_once(once, [] { table = &LoadTable(); });
  return *table;
}

}  // namespace

std::string ClassPdf::Add(const std::string& pdf_path, const std::string& title) {
  return (this->*Engines().class_pdf_add)(pdf_path, title);
}

void ClassPdf::Write(const std::string& path, const std::string& front, bool odd_starts) {
  (this->*Engines().class_pdf_write)(path, front, odd_starts);
}

std::unique_ptr<PrintedGroup> OpenPrintedGroup(std::string pdf, const std::string& mark,
                                               size_t count) {
  return Engines().open_printed_group(std::move(pdf), mark, count);
}

size_t CheckedPdfPageCount(const std::string& path) {
  return Engines().checked_pdf_page_count(path);
}

std::unique_ptr<PrintFonts> OpenPrintFonts() { return Engines().open_print_fonts(); }

size_t WriteSummaryWorkbook(const std::string& path, const std::vector<SummaryTable>& tables,
                            const std::vector<std::string>& note, const std::string& title,
                            const std::string& date) {
  return Engines().write_summary_workbook(path, tables, note, title, date);
}

std::string WorkbookLimit(const std::vector<SummaryTable>& tables) {
  return Engines().workbook_limit(tables);
}

// The documents are made, used and let go in the module; the program moves
// the shared pointer only.
PrintedCards::PrintedCards() { Engines().make_printed_cards(this); }
PrintedCards::~PrintedCards() = default;
PrintedCards::PrintedCards(PrintedCards&&) noexcept = default;
PrintedCards& PrintedCards::operator=(PrintedCards&&) noexcept = default;

void PrintedCards::Add(std::string pdf, size_t cards) {
  (this->*Engines().printed_cards_add)(std::move(pdf), cards);
}

size_t PrintedCards::size() const { return (this->*Engines().printed_cards_size)(); }

void PrintedCards::WriteAll(const std::string& path, const std::vector<std::string>& titles) {
  (this->*Engines().printed_cards_write_all)(path, titles);
}

void PrintedCards::PutLast(size_t card, const std::string& student_pdf) {
  (this->*Engines().printed_cards_put_last)(card, student_pdf);
}

bool RemoveCardPage(const std::string& student_pdf) {
  return Engines().remove_card_page(student_pdf);
}

}  // namespace generatesheet::cli
