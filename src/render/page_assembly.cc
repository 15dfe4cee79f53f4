#include "render/page_assembly.h"

#include <algorithm>
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

// The pieces of `text` with every placeholder of `fills` replaced, left to
// right (of two starting at one place, the one listed first); the inserted
// text is never searched again.  The pieces point into `text` and `fills`.
std::vector<std::string_view> Filled(std::string_view text, std::initializer_list<Fill> fills) {
  std::vector<std::string_view> pieces;
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
    pieces.push_back(text.substr(start, at - start));
    for (const std::string_view piece : first->pieces) pieces.push_back(piece);
    start = at + first->placeholder.size();
  }
  pieces.push_back(text.substr(start));
  return pieces;
}

// The pieces one after another, with `room` bytes reserved for what the
// caller adds at the end.  When exactly one piece is the whole of `storage`
// (the rendered content), its memory is reused: the pieces before it move in
// at its front and the rest go after it, so a page of tens of megabytes is
// neither copied nor written again to fresh memory.
std::string Joined(const std::vector<std::string_view>& pieces, size_t room,
                   std::string&& storage) {
  const auto is_storage = [&](std::string_view piece) {
    return !storage.empty() && piece.data() == storage.data() && piece.size() == storage.size();
  };
  size_t size = room;
  for (const std::string_view piece : pieces) size += piece.size();
  const auto held = std::find_if(pieces.begin(), pieces.end(), is_storage);
  if (held == pieces.end() || std::find_if(held + 1, pieces.end(), is_storage) != pieces.end()) {
    std::string out;
    out.reserve(size);
    for (const std::string_view piece : pieces) out.append(piece);
    return out;
  }
  std::string head, tail;
  for (auto piece = pieces.begin(); piece != held; ++piece) head.append(*piece);
  for (auto piece = held + 1; piece != pieces.end(); ++piece) tail.append(*piece);
  storage.reserve(size);
  storage.insert(0, head);
  storage.append(tail);
  return std::move(storage);
}

std::string ReplaceAll(std::string_view text, std::string_view from,
                       std::initializer_list<std::string_view> to) {
  return Joined(Filled(text, {{from, to}}), 0, {});
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
  // A page can be tens of megabytes, so it is never copied needlessly: the
  // sections are rendered into one string that becomes the page.
  const std::string header = RenderPaperHeader(context);
  std::string content;
  RenderSections(context, content);
  const std::string notice_html = notice ? notice() : "";
  const size_t room = kPageEnd.size() + assembled.encoding.bom.size();
  if (student_title) {
    // In one pass: a name holding "$Content$" stays a name.
    const std::string title = StudentTitle(context);
    page =
        Joined(Filled(page, {{"$Title$", {title}}, {"$Content$", {notice_html, header, content}}}),
               room, std::move(content));
  } else {
    page = ReplaceAll(page, "$Title$", {kTitle});
    page = Joined(Filled(page, {{"$Content$", {notice_html, header, content}}}), room,
                  std::move(content));
  }
  page += kPageEnd;
  return assembled;
}

}  // namespace generatesheet
