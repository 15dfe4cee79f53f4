#include "tools/pdf/print_together.h"

#include <sodium.h>
#include <algorithm>
#include <cctype>
#include <filesystem>

#include <nlohmann/json.hpp>
#include <string_view>

#include "tools/archive/sodium_ready.h"
#include "tools/pdf/overlaid_split.h"
#include "util/error.h"
#include "util/file_util.h"

namespace generatesheet::cli {

namespace {

using Json = nlohmann::json;

// What printing a page with others needs of it once its scripts have run:
// its page style (`plain` when every @page rule stands at the top level of
// a readable style sheet, with no page selector), the style of its page
// margin boxes, its body without scripts (they ran already) and its title.
constexpr char kCapture[] = R"JS((() => {
  const base = [], margins = [];
  let plain = !!document.body;
  const walk = (rules, nested) => {
    for (const rule of rules) {
      if (rule instanceof CSSPageRule) {
        if (nested || rule.selectorText !== '') plain = false;
        base.push(rule.style.cssText);
        for (const box of rule.cssRules) margins.push(box.cssText);
      } else if (rule instanceof CSSGroupingRule) {
        walk(rule.cssRules, true);
      } else if (rule instanceof CSSImportRule) {
        plain = false;
      }
    }
  };
  for (const sheet of document.styleSheets) {
    try { walk(sheet.cssRules, false); } catch (e) { plain = false; }
  }
  const body = document.body ? document.body.cloneNode(true) : document.createElement('body');
  body.querySelectorAll('script').forEach(s => s.remove());
  return {plain, base: base.join(' '), margins, body: body.innerHTML, title: document.title};
})())JS";

// The page margin boxes, each emptied: the document of the students' pages
// prints none, for the browser would number its pages through.
std::string NoMarginBoxes() {
  static const char* const kBoxes[] = {
      "top-left-corner",     "top-left",     "top-center",    "top-right",
      "top-right-corner",    "right-top",    "right-middle",  "right-bottom",
      "bottom-right-corner", "bottom-right", "bottom-center", "bottom-left",
      "bottom-left-corner",  "left-bottom",  "left-middle",   "left-top"};
  std::string style = "<style>@page {";
  for (const char* box : kBoxes)
    style += " @" + std::string(box) + " { content: none !important; }";
  return style + " }</style>\n";
}

struct Student {
  std::string html;  // the page as written
  std::string base;  // its page style
  std::vector<std::string> margins;
  std::string body;
  std::string title;
  size_t pages = 0;
};

// Why pages are printed alone after all; not a failure of the print.
struct NotTogether {};

std::string LowerCase(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

// A page up to the end of its <body> tag, without its title: pages that
// agree in it (and lie in one folder, for their links) can print as one.
// "" when the page cannot be read or has no body tag.
std::string HeadOf(const std::string& html) {
  const std::string lower = LowerCase(html);
  const size_t body = lower.find("<body");
  const size_t body_end = body == std::string::npos ? body : lower.find('>', body);
  if (body_end == std::string::npos) return "";
  std::string head = html.substr(0, body_end + 1);
  const size_t title = lower.find("<title");
  const size_t title_end = lower.find("</title>", title);
  if (title != std::string::npos && title_end != std::string::npos && title_end < body) {
    head.erase(title, title_end + 8 - title);
  }
  return head;
}

// A margin box's style with the page counters, which count through the
// whole document, read from counters each page sets for its student.
// Throws NotTogether for any other counter.
std::string StudentCounters(std::string box) {
  static const std::string kPageCounter = "counter(page", kOwn = "counter(generate-sheet-";
  for (size_t at = 0; (at = box.find("counter", at)) != std::string::npos; at += kOwn.size()) {
    if (box.compare(at, kPageCounter.size(), kPageCounter) != 0) throw NotTogether{};
    box.insert(at + 8, "generate-sheet-");
  }
  return box;
}

// A mark for a group's links (overlaid_split.h): an address no page can
// know beforehand.
std::string NewMark() {
  EnsureSodiumReady();
  unsigned char token[16];
  randombytes_buf(token, sizeof token);
  char hex[2 * sizeof token + 1];
  sodium_bin2hex(hex, sizeof hex, token, sizeof token);
  return std::string("https://student.invalid/") + hex + "/";
}

// The students' pages as one document, in the first page's style, each
// student from a new sheet with its first page marked.
std::string GroupDocument(const std::vector<Student>& students, const std::string& mark) {
  const std::string& first = students.front().html;
  const std::string lower = LowerCase(first);
  const size_t head_end = lower.find("</head>");
  const size_t body = lower.find("<body");
  if (head_end == std::string::npos || body == std::string::npos || head_end > body) {
    throw NotTogether{};
  }
  std::string html = first.substr(0, head_end) + NoMarginBoxes() +
                     first.substr(head_end, lower.find('>', body) + 1 - head_end) + "\n";
  for (size_t i = 0; i < students.size(); ++i) {
    html +=
        "<generate-sheet-student style=\"display: block; margin: 0; padding: 0; border: 0;"
        " break-before: page\"><a href=\"" +
        mark + std::to_string(i) + "\" style=\"position: absolute; width: 1px; height: 1px\"></a>" +
        students[i].body + "</generate-sheet-student>\n";
  }
  return html + "</body>\n</html>\n";
}

// A document of empty pages, one for each printed page of the students,
// each with the margin boxes its student's page would have there, its
// page counters set to the page's number and count in its student's PDF.
std::string RunningHeaders(const std::vector<Student>& students) {
  std::string style, pages;
  size_t n = 0;
  for (const Student& s : students) {
    for (size_t page = 1; page <= s.pages; ++page, ++n) {
      const std::string name = "generate-sheet-" + std::to_string(n);
      style += "@page " + name + " { " + s.base + " counter-reset: generate-sheet-page " +
               std::to_string(page) + " generate-sheet-pages " + std::to_string(s.pages) + ";";
      for (const std::string& box : s.margins) style += " " + box;
      style += " }\n";
      pages += "<div style=\"page: " + name + "; break-before: page; height: 1px\"></div>\n";
    }
  }
  return "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<style>\n@page { " +
         students.front().base + " }\n" + style +
         "</style>\n</head>\n<body style=\"margin: 0\">\n" + pages + "</body>\n</html>\n";
}

Student Capture(PdfPrinter& printer) {
  const Json page = Json::parse(printer.Run(kCapture));
  if (!page.value("plain", false) || page.value("margins", Json::array()).empty()) {
    throw NotTogether{};
  }
  Student s;
  s.base = page.value("base", "");
  for (const std::string& box : page.at("margins").get<std::vector<std::string>>()) {
    s.margins.push_back(StudentCounters(box));
  }
  s.body = page.value("body", "");
  s.title = page.value("title", "");
  return s;
}

// Prints the pages as one document and writes each one's PDF.
void PrintGroup(PdfPrinter& printer, const std::vector<PagePrint>& pages,
                std::vector<std::string>& htmls) {
  std::vector<Student> students;
  for (size_t i = 0; i < pages.size(); ++i) {
    if (i == 0) {
      printer.Open(pages[i].page_path);
    } else {
      printer.Replace(htmls[i]);
    }
    students.push_back(Capture(printer));
    students.back().html = std::move(htmls[i]);
  }
  const std::string mark = NewMark();
  printer.Replace(GroupDocument(students, mark));
  PrintedGroup printed(printer.PrintOpen(), mark, students.size());
  std::vector<StudentPdf> pdfs;
  for (size_t i = 0; i < students.size(); ++i) {
    students[i].pages = printed.page_counts()[i];
    pdfs.push_back({students[i].title, pages[i].pdf_path});
  }
  printer.Replace(RunningHeaders(students));
  printed.WriteStudentPdfs(printer.PrintOpen(), pdfs);
}

std::string PrintAlone(PdfPrinter& printer, const PagePrint& page) {
  try {
    printer.Print(page.page_path, page.pdf_path);
    return "";
  } catch (const std::exception& e) {
    return e.what();
  }
}

}  // namespace

std::vector<std::string> PrintPages(PdfPrinter& printer, const std::vector<PagePrint>& pages,
                                    bool together) {
  std::vector<std::string> failures(pages.size());
  std::vector<std::string> htmls(pages.size()), heads(pages.size());
  for (size_t i = 0; together && i < pages.size(); ++i) {
    try {
      htmls[i] = ReadWholeFile(pages[i].page_path);
      heads[i] = HeadOf(htmls[i]);
      if (!heads[i].empty()) {
        heads[i] += "\n" + std::filesystem::path(pages[i].page_path).parent_path().string();
      }
    } catch (const std::exception&) {
      heads[i].clear();  // printed alone, which says what is wrong
    }
  }
  for (size_t begin = 0, end; begin < pages.size(); begin = end) {
    end = begin + 1;
    while (!heads[begin].empty() && end < pages.size() && end - begin < kPagesTogether &&
           heads[end] == heads[begin]) {
      ++end;
    }
    if (end - begin > 1) {
      const std::vector<PagePrint> group(pages.begin() + begin, pages.begin() + end);
      std::vector<std::string> group_htmls(htmls.begin() + begin, htmls.begin() + end);
      try {
        PrintGroup(printer, group, group_htmls);
        continue;
      } catch (const NotTogether&) {
      } catch (const std::exception&) {
        printer.Reset();  // each page alone says what fails
      }
    }
    for (size_t i = begin; i < end; ++i) failures[i] = PrintAlone(printer, pages[i]);
  }
  return failures;
}

}  // namespace generatesheet::cli
