#include "render/page_assembly.h"

#include <initializer_list>
#include <string_view>
#include <vector>

#include "generatesheet/page_file_name.h"
#include "render/paper_renderers.h"
#include "util/error.h"
#include "util/file_util.h"
#include "util/html_text.h"
#include "util/text_encoding.h"

namespace generatesheet {

namespace {

constexpr char kTitle[] = "生成的网页标题";
constexpr std::string_view kPageEnd = "\r\n";

// A placeholder and the pieces that replace it, one after another.
struct Fill {
  std::string_view placeholder;
  std::initializer_list<std::string_view> pieces;
};

// Replaces every placeholder of `fills` in `text`, left to right (of two
// starting at one place, the one listed first); the inserted text is never
// searched again.  `room`: bytes the caller adds at the end afterwards,
// reserved now so that a page of tens of megabytes is never moved for them.
std::string FillAll(const std::string& text, std::initializer_list<Fill> fills, size_t room = 0) {
  size_t size = text.size() + room;  // room for one replacement each, the usual case
  for (const Fill& fill : fills) {
    for (const std::string_view piece : fill.pieces) size += piece.size();
  }
  std::string out;
  out.reserve(size);
  std::vector<size_t> next;  // where each placeholder is next found
  for (const Fill& fill : fills) next.push_back(text.find(fill.placeholder));
  size_t start = 0;
  for (;;) {
    const Fill* first = nullptr;
    size_t at = std::string::npos;
    for (size_t i = 0; i < fills.size(); ++i) {
      const Fill& fill = fills.begin()[i];
      if (next[i] != std::string::npos && next[i] < start)
        next[i] = text.find(fill.placeholder, start);
      if (next[i] < at) at = next[i], first = &fill;
    }
    if (first == nullptr) break;
    out.append(text, start, at - start);
    for (const std::string_view piece : first->pieces) out.append(piece);
    start = at + first->placeholder.size();
  }
  out.append(text, start);
  return out;
}

std::string ReplaceAll(const std::string& text, std::string_view from,
                       std::initializer_list<std::string_view> to, size_t room = 0) {
  return FillAll(text, {{from, to}}, room);
}

// The template as UTF-8, and the encoding the page is to be written in.
std::string ReadTemplate(const std::string& path, TextEncoding* encoding) {
  if (path.empty()) {
    throw KindedError(FailureKind::kTemplate, "", "未设置页面模板（TemplatePath 为空）");
  }
  try {
    const std::string bytes = ReadWholeFile(path);
    RefuseUtf32(bytes, "模板", path);
    *encoding = DetectTemplateEncoding(bytes);
    return DecodeToUtf8(bytes, *encoding);
  } catch (const Error& e) {
    throw KindedError(FailureKind::kTemplate, path, e.what());
  }
}

// The student's number, name and subject, those given, joined by spaces
// and escaped; the fixed title when none is given.
std::string StudentTitle(const RenderContext& context) {
  std::string title;
  for (const std::string* part : {&context.student_id, &context.student_name, &context.subject}) {
    if (part->empty()) continue;
    if (!title.empty()) title += ' ';
    title += EscapeHtml(*part);
  }
  return title.empty() ? kTitle : title;
}

}  // namespace

std::string PageFileName(const std::string& zip_paper_name) {
  return ReplaceAll(ReplaceAll(zip_paper_name, "#", {}), ".zip", {".html"});
}

AssembledPage AssemblePage(const RenderContext& context, const std::string& template_path,
                           bool student_title, const ContentNotice& notice) {
  AssembledPage assembled;
  std::string& page = assembled.text;
  page = ReadTemplate(template_path, &assembled.encoding);
  assembled.holds_content = page.find("$Content$") != std::string::npos;

  // The header first: it opens the answer database the sections read.
  // A page can be tens of megabytes, so it is never copied needlessly.
  const std::string header = RenderPaperHeader(context);
  std::string content = RenderSections(context);
  const std::string notice_html = notice ? notice() : "";
  if (student_title) {
    // In one pass: a name holding "$Content$" stays a name.
    page = FillAll(
        page, {{"$Title$", {StudentTitle(context)}}, {"$Content$", {notice_html, header, content}}},
        kPageEnd.size());
  } else {
    page = ReplaceAll(page, "$Title$", {kTitle});
    page = ReplaceAll(page, "$Content$", {notice_html, header, content}, kPageEnd.size());
  }
  std::string().swap(content);  // its memory too
  page += kPageEnd;
  return assembled;
}

}  // namespace generatesheet
