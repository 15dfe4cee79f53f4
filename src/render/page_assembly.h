// The page: the template filled with the rendered paper.
#ifndef GENERATESHEET_RENDER_PAGE_ASSEMBLY_H_
#define GENERATESHEET_RENDER_PAGE_ASSEMBLY_H_

#include <functional>
#include <string>

#include "render/render_context.h"
#include "util/text_encoding.h"

namespace generatesheet {

// Asked once the header and the sections are rendered: HTML to put before
// them (a notice that the page lacks parts), or "".
using ContentNotice = std::function<std::string()>;

// The page as UTF-8 and the encoding it is to be written in (the
// template's own).
struct AssembledPage {
  std::string text;
  TextEncoding encoding;
  // False when the template has no "$Content$": the page shows none of the
  // paper.
  bool holds_content = false;
};

// Reads the template at `template_path` and puts the title (the fixed one,
// or the student's when `student_title`) in place of "$Title$" and the
// header and sections rendered from `context` (after `notice`'s HTML, when
// there is a notice) in place of "$Content$".  Throws KindedError naming the
// template when it cannot be read.
AssembledPage AssemblePage(const RenderContext& context, const std::string& template_path,
                           bool student_title, const ContentNotice& notice = {});

}  // namespace generatesheet

#endif  // GENERATESHEET_RENDER_PAGE_ASSEMBLY_H_
