#include "tools/batch/batch_report_cards.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <system_error>

#include "tools/archive/archive_manifest.h"
#include "tools/job/output_files.h"
#include "tools/pdf/card_pdf.h"
#include "tools/pdf/class_pdf.h"
#include "tools/summary/class_summary.h"
#include "util/error.h"
#include "util/file_util.h"

namespace generatesheet::cli {

namespace {

namespace fs = std::filesystem;

std::string FileNameOf(const std::string& path) { return fs::path(path).filename().string(); }

// The names a card may not take: every row's page, results file and PDF,
// and the batch's own files.
std::set<std::string> TakenNames(const BatchPlan& plan) {
  std::set<std::string> taken = ClassFileNames();
  for (const RowResult& r : plan.rows) {
    const std::string page = FileNameOf(r.page_path);
    taken.insert({page, RecordFileName(page), FileNameOf(PdfPathFor(r.page_path))});
  }
  return taken;
}

struct PlacedCard {
  ReportCard card;
  const RowResult* row;
};

// The cards in manifest order, each with its row; a card whose name is
// another file's is told and left out.
std::vector<PlacedCard> PlaceCards(ReportCards& cards, const BatchPlan& plan,
                                   const std::set<std::string>& taken, bool& all) {
  std::map<std::string, size_t> rows;
  for (size_t i = 0; i < plan.rows.size(); ++i) rows.emplace(FileNameOf(plan.rows[i].page_path), i);
  std::vector<std::pair<size_t, PlacedCard>> placed;
  for (ReportCard& card : cards.cards) {
    const auto row = rows.find(card.page);
    if (row == rows.end()) continue;
    if (taken.count(CardFileName(card.page)) > 0) {
      std::cerr << "成绩报告单未写出：" << CardFileName(card.page)
                << " 是本批次另一个文件的名字（学号 " << card.student_id << "）\n";
      all = false;
      continue;
    }
    placed.push_back({row->second, {std::move(card), &plan.rows[row->second]}});
  }
  std::stable_sort(placed.begin(), placed.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<PlacedCard> in_order;
  for (auto& [row, card] : placed) in_order.push_back(std::move(card));
  return in_order;
}

std::string CardPath(const std::string& page_prefix, const RowResult& row) {
  return page_prefix + CardFileName(FileNameOf(row.page_path));
}

bool Remove(const std::string& path) {
  std::error_code ec;
  return fs::remove(path, ec);
}

// Whether the row's PDF is there to take a card.
bool HasPdf(const RowResult& row) {
  std::error_code ec;
  return fs::is_regular_file(PdfPathFor(row.page_path), ec);
}

// Takes an earlier card page out of the row's PDF; false when it stays.
bool RemoveEarlierCardPage(const RowResult& row) {
  if (!HasPdf(row)) return true;
  try {
    RemoveCardPage(PdfPathFor(row.page_path));
    return true;
  } catch (const Error& e) {
    std::cerr << e.what() << "\n";
    return false;
  }
}

// Prints the cards, many to a document; a document that fails is printed
// again card by card.  `printed` tells which cards came out.
PrintedCards PrintCards(PdfPrinter& printer, const std::vector<PlacedCard>& cards,
                        std::vector<bool>& printed) {
  PrintedCards out;
  printed.assign(cards.size(), false);
  const auto print = [&](size_t begin, size_t end) {
    std::vector<ReportCard> group;
    for (size_t i = begin; i < end; ++i) group.push_back(cards[i].card);
    // Untagged: the pages are taken apart, and the tags are most of a print.
    out.Add(printer.PrintDocument(ReportCardsDocument(group), false), group.size());
    for (size_t i = begin; i < end; ++i) printed[i] = true;
  };
  for (size_t begin = 0; begin < cards.size(); begin += kCardsTogether) {
    const size_t end = std::min(cards.size(), begin + kCardsTogether);
    try {
      print(begin, end);
      continue;
    } catch (const Error&) {
    }
    for (size_t i = begin; i < end; ++i) {
      try {
        print(i, i + 1);
      } catch (const Error& e) {
        std::cerr << "成绩报告单未能打印为 PDF（学号 " << cards[i].card.student_id << "）："
                  << e.what() << "\n";
      }
    }
  }
  return out;
}

// cards.pdf and each student's PDF with its card last.
bool WriteCardPdfs(PdfPrinter& printer, const std::vector<PlacedCard>& cards,
                   const std::string& page_prefix) {
  std::vector<bool> printed;
  PrintedCards pdfs = PrintCards(printer, cards, printed);
  bool all = std::ranges::all_of(printed, [](bool p) { return p; });
  std::vector<std::string> titles;
  size_t page = 0;
  for (size_t i = 0; i < cards.size(); ++i) {
    if (!printed[i]) {
      all = RemoveEarlierCardPage(*cards[i].row) && all;
      continue;
    }
    titles.push_back(cards[i].card.student_id + " " + cards[i].card.student_name);
    if (HasPdf(*cards[i].row)) {
      try {
        pdfs.PutLast(page, PdfPathFor(cards[i].row->page_path));
      } catch (const Error& e) {
        std::cerr << e.what() << "\n";
        all = false;
      }
    }
    ++page;
  }
  try {
    pdfs.WriteAll(page_prefix + kCardsPdfName, titles);
  } catch (const Error& e) {
    std::cerr << e.what() << "\n";
    return false;
  }
  return all;
}

}  // namespace

bool WriteBatchReportCards(ReportCards cards, const BatchPlan& plan, const std::string& page_prefix,
                           bool pdf, PdfPrinter& printer) {
  const std::set<std::string> taken = TakenNames(plan);
  bool all = true;
  const std::vector<PlacedCard> placed = PlaceCards(cards, plan, taken, all);
  std::set<const RowResult*> carded;
  for (const PlacedCard& p : placed) {
    try {
      WriteFileAtomically(CardPath(page_prefix, *p.row), ReportCardHtml(p.card));
      carded.insert(p.row);
    } catch (const Error& e) {
      std::cerr << e.what() << "\n";
      all = false;
    }
  }
  // A card of an earlier run for a student who has none now goes.
  for (const RowResult& r : plan.rows) {
    if (carded.count(&r) > 0 || taken.count(CardFileName(FileNameOf(r.page_path))) > 0) continue;
    Remove(CardPath(page_prefix, r));
    if (pdf) all = RemoveEarlierCardPage(r) && all;
  }
  if (pdf) {
    std::vector<PlacedCard> written;
    for (const PlacedCard& p : placed) {
      if (carded.count(p.row) > 0) written.push_back(p);
    }
    all = WriteCardPdfs(printer, written, page_prefix) && all;
  } else if (Remove(page_prefix + kCardsPdfName)) {
    std::cerr << "已删除过时的 " << kCardsPdfName << "（本次未用 --pdf）\n";
  }
  std::cerr << "成绩报告单：" << carded.size() << " 张";
  if (!cards.left_out.empty())
    std::cerr << "；" << cards.left_out.size() << " 名考生没有成绩报告单";
  std::cerr << "\n";
  for (const CardLeftOut& l : cards.left_out) {
    std::cerr << "  没有成绩报告单：学号 " << l.student_id << "，" << l.student_name << "："
              << l.why << "\n";
  }
  return all;
}

bool WriteFolderReportCards(ReportCards cards, const std::string& folder) {
  BatchPlan plan;
  std::set<std::string> names;
  const auto add_row = [&](const std::string& page) {
    if (!names.insert(FileNameOf(page)).second) return false;
    RowResult row;
    row.page_path = folder + FileNameOf(page);
    plan.rows.push_back(std::move(row));
    return true;
  };
  bool all = true;
  std::vector<ReportCard> kept;
  for (ReportCard& card : cards.cards) {
    if (add_row(card.page)) {
      kept.push_back(std::move(card));
      continue;
    }
    std::cerr << "成绩报告单未写出：另一文件夹中已有同名页面 " << FileNameOf(card.page)
              << " 的成绩报告单（学号 " << card.student_id << "）\n";
    all = false;
  }
  cards.cards = std::move(kept);
  for (const CardLeftOut& l : cards.left_out) add_row(l.page);
  bool pdf = true;
  try {
    FindBrowser();
  } catch (const Error& e) {
    pdf = false;
    std::cerr << "只写出成绩报告单网页，未生成 " << kCardsPdfName << "：" << e.what() << "\n";
  }
  PdfPrinter printer;
  return WriteBatchReportCards(std::move(cards), plan, folder, pdf, printer) && all;
}

void RemoveReportCards(const BatchPlan& plan, const std::string& page_prefix) {
  const std::set<std::string> taken = TakenNames(plan);
  size_t removed = 0;
  for (const RowResult& r : plan.rows) {
    if (taken.count(CardFileName(FileNameOf(r.page_path))) > 0) continue;
    // Only a student who had a card has a card's page in the PDF: the
    // other PDFs are not read.
    if (!Remove(CardPath(page_prefix, r))) continue;
    ++removed;
    RemoveEarlierCardPage(r);
  }
  removed += Remove(page_prefix + kCardsPdfName) ? 1 : 0;
  if (removed > 0) {
    std::cerr << "已删除上次运行的成绩报告单（本次未用 --report-cards）\n";
  }
}

}  // namespace generatesheet::cli
