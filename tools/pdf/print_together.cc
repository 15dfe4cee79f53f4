#include "tools/pdf/print_together.h"

#include <sodium.h>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>

#include <nlohmann/json.hpp>
#include <string_view>

#include "tools/pdf/overlaid_split.h"
#include "tools/pdf/page_style.h"
#include "util/error.h"
#include "util/file_util.h"
#include "util/sodium_ready.h"

namespace generatesheet::cli {

namespace {

using Json = nlohmann::json;

// What printing a page with others needs of it once its scripts have run,
// and whether nothing of it can reach beyond its own part of a document of
// many pages (`plain`): its page style (every @page rule at the top level of
// a readable style sheet, with no page selector) as declarations and page
// margin boxes; its head of plain elements only (no script, which would run
// over every student's body); its body without scripts (they ran already),
// of the few plain elements the library writes, with classes and roles
// only, so each body is styled by the shared head alone, as when printed
// alone, and no wider than the page (laid out in print style); and its
// title.
constexpr char kCapture[] = R"JS((() => {
  const xhtml = 'http://www.w3.org/1999/xhtml';
  let plain = !!document.head && !!document.body;
  const page = [], boxes = [];
  const declarations = style => {
    const list = [];
    for (let i = 0; i < style.length; ++i) {
      list.push([style[i], style.getPropertyValue(style[i]),
                 style.getPropertyPriority(style[i]) === 'important']);
    }
    return list;
  };
  const walk = (rules, nested) => {
    for (const rule of rules) {
      if (rule instanceof CSSPageRule) {
        if (nested || rule.selectorText !== '') plain = false;
        page.push(...declarations(rule.style));
        for (const box of rule.cssRules) {
          if (box instanceof CSSMarginRule) boxes.push([box.name, declarations(box.style)]);
          else plain = false;
        }
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
  const inert = (element, kinds, attributes) => element.namespaceURI === xhtml &&
      kinds.includes(element.localName) &&
      [...element.attributes].every(a => attributes.includes(a.name));
  for (const e of document.head ? document.head.children : []) {
    if (!inert(e, ['meta', 'title', 'style'], ['charset', 'name', 'content'])) plain = false;
  }
  if (document.body && document.body.attributes.length > 0) plain = false;  // onload and the like
  const body = document.body ? document.body.cloneNode(true) : document.createElement('body');
  body.querySelectorAll('script').forEach(s => s.remove());
  for (const e of body.querySelectorAll('*')) {
    if (!inert(e, ['div', 'span', 'table', 'tbody', 'tr', 'td', 'ul', 'li', 'br'],
               ['class', 'role'])) {
      plain = false;
    }
  }
  // A body wider than an A4 page's print area would make the browser shrink
  // every page of a group to fit it.
  const margin = side => (page.findLast(d => d[0] === 'margin-' + side) || [0, '0.4in'])[1];
  const size = page.findLast(d => d[0] === 'size');
  if (size && size[1] !== 'a4') plain = false;
  const root = document.documentElement.style, kept = root.cssText;
  root.width = 'calc(210mm - ' + margin('left') + ' - ' + margin('right') + ')';
  if (!root.width || !document.body || document.body.scrollWidth > document.body.clientWidth) {
    plain = false;
  }
  root.cssText = kept;
  return {plain, page, boxes, body: body.innerHTML, title: document.title};
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
  std::vector<StyleDeclaration> page_declarations;
  std::string page_style;  // its page style, written anew (page_style.h)
  std::string boxes;       // its page margin boxes, written anew
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

// The body of the students' pages as one document: each student from a
// new sheet with its first page marked.
std::string GroupBody(const std::vector<Student>& students, const std::string& mark) {
  std::string body = "\n";
  for (size_t i = 0; i < students.size(); ++i) {
    body +=
        "<generate-sheet-student style=\"display: block; margin: 0; padding: 0; border: 0;"
        " break-before: page\"><a href=\"" +
        mark + std::to_string(i) + "\" style=\"position: absolute; width: 1px; height: 1px\"></a>" +
        students[i].body + "</generate-sheet-student>\n";
  }
  return body;
}

// The students' pages as one document, in the first page's head (which
// they share), around `body`.
std::string GroupDocument(const std::string& first, const std::string& body) {
  const std::string lower = LowerCase(first);
  const size_t head_end = lower.find("</head>");
  const size_t body_tag = lower.find("<body");
  if (head_end == std::string::npos || body_tag == std::string::npos || head_end > body_tag) {
    throw NotTogether{};
  }
  return first.substr(0, head_end) + NoMarginBoxes() +
         first.substr(head_end, lower.find('>', body_tag) + 1 - head_end) + body + "</body></html>";
}

// A document of empty pages, one for each printed page of the students,
// each a named page of its own with the style and margin boxes its
// student's page would have there, its page counters set to the page's
// number and count in its student's PDF.  Every piece of style is the
// program's own writing (page_style.h), and no page takes the style of the
// unnamed page, so no student's style reaches another's page.
std::string RunningHeaders(const std::vector<Student>& students) {
  std::string style, pages;
  size_t n = 0;
  for (const Student& s : students) {
    for (size_t page = 1; page <= s.pages; ++page, ++n) {
      const std::string name = "generate-sheet-" + std::to_string(n);
      style += "@page " + name + " { " + s.page_style + " counter-reset: generate-sheet-page " +
               std::to_string(page) + " generate-sheet-pages " + std::to_string(s.pages) + "; " +
               s.boxes + " }\n";
      pages += "<div style=\"page: " + name + "; break-before: page; height: 1px\"></div>\n";
    }
  }
  return "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<style>\n" + style +
         "</style>\n</head>\n<body style=\"margin: 0\">\n" + pages + "</body>\n</html>\n";
}

std::vector<StyleDeclaration> Declarations(const Json& list) {
  std::vector<StyleDeclaration> declarations;
  for (const Json& d : list) {
    declarations.push_back({d.at(0).get<std::string>(), d.at(1).get<std::string>(), d.at(2)});
  }
  return declarations;
}

// The open page as a student of a group.  Throws NotTogether when it may
// not print with others.
Student Capture(PdfPrinter& printer) {
  printer.EmulatePrintMedia(true);
  const Json page = Json::parse(printer.Run(kCapture));
  printer.EmulatePrintMedia(false);
  if (!page.value("plain", false) || page.value("boxes", Json::array()).empty()) {
    throw NotTogether{};
  }
  Student s;
  s.page_declarations = Declarations(page.at("page"));
  const std::optional<std::string> page_style = RewrittenDeclarations(s.page_declarations, false);
  if (!page_style) throw NotTogether{};
  s.page_style = *page_style;
  for (const Json& box : page.at("boxes")) {
    const std::optional<std::string> written =
        RewrittenMarginBox({box.at(0).get<std::string>(), Declarations(box.at(1))});
    if (!written) throw NotTogether{};
    s.boxes += (s.boxes.empty() ? "" : " ") + *written;
  }
  s.body = page.value("body", "");
  s.title = page.value("title", "");
  return s;
}

// Throws NotTogether unless the open document of the group holds each
// student's body whole, as captured, in its own part, and lays its pages
// out in the style each student's page has alone.
void CheckGroupDocument(PdfPrinter& printer, const std::vector<Student>& students,
                        const std::string& body) {
  const Json group = Json::parse(printer.Run(kCapture));
  if (group.value("body", "") != body) throw NotTogether{};
  const std::vector<StyleDeclaration> page = Declarations(group.at("page"));
  for (const Student& s : students) {
    if (s.page_declarations != page) throw NotTogether{};
  }
}

// Prints together those of the pages that may print with others, if two or
// more, and writes their PDFs; returns which it printed.  Throws
// NotTogether, or Error, when the group's print fails.
std::vector<bool> PrintGroup(PdfPrinter& printer, const std::vector<PagePrint>& pages,
                             std::vector<std::string>& htmls) {
  std::vector<Student> students;
  std::vector<size_t> members;
  for (size_t i = 0; i < pages.size(); ++i) {
    if (i == 0) {
      printer.Open(pages[i].page_path);
    } else {
      printer.Replace(htmls[i]);
    }
    try {
      students.push_back(Capture(printer));
    } catch (const NotTogether&) {
      continue;  // printed alone
    }
    students.back().html = std::move(htmls[i]);
    members.push_back(i);
  }
  std::vector<bool> printed(pages.size(), false);
  if (students.size() < 2) return printed;
  const std::string mark = NewMark();
  const std::string body = GroupBody(students, mark);
  printer.Replace(GroupDocument(students.front().html, body));
  CheckGroupDocument(printer, students, body);
  const std::unique_ptr<PrintedGroup> group =
      OpenPrintedGroup(printer.PrintOpen(), mark, students.size());
  std::vector<StudentPdf> pdfs;
  for (size_t i = 0; i < students.size(); ++i) {
    students[i].pages = group->page_counts()[i];
    pdfs.push_back({students[i].title, pages[members[i]].pdf_path});
  }
  printer.Replace(RunningHeaders(students));
  group->WriteStudentPdfs(printer.PrintOpen(), pdfs);
  for (const size_t i : members) printed[i] = true;
  return printed;
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
                                    bool together, const PagePrinted& on_page) {
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
    std::vector<bool> printed(end - begin, false);
    if (end - begin > 1) {
      const std::vector<PagePrint> group(pages.begin() + begin, pages.begin() + end);
      std::vector<std::string> group_htmls(htmls.begin() + begin, htmls.begin() + end);
      try {
        printed = PrintGroup(printer, group, group_htmls);
      } catch (const NotTogether&) {
      } catch (const std::exception&) {
        printer.Reset();  // each page alone says what fails
      }
    }
    for (size_t i = begin; i < end; ++i) {
      if (!printed[i - begin]) failures[i] = PrintAlone(printer, pages[i]);
      if (on_page) on_page(i, failures[i]);
    }
  }
  return failures;
}

}  // namespace generatesheet::cli
