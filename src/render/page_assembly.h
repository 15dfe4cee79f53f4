// The page: the template filled with the rendered paper, written whole.
#ifndef GENERATESHEET_RENDER_PAGE_ASSEMBLY_H_
#define GENERATESHEET_RENDER_PAGE_ASSEMBLY_H_

#include <functional>
#include <string>

#include "render/render_context.h"

namespace generatesheet {

// Where the page comes from and where it goes, as file-system paths.
struct PageFiles {
  std::string template_path;
  std::string page_path;
  // The answer package, which the page must never replace.
  std::string package_path;
  // "$Title$" gets the student's number, name and subject rather than the
  // fixed title.
  bool student_title = false;
};

// Asked once the header and the sections are rendered: HTML to put before
// them (a notice that the page lacks parts), or "".
using ContentNotice = std::function<std::string()>;

// Reads the template, puts the title (the fixed one, or the student's when
// files.student_title) in place of "$Title$" and the
// header and sections rendered from `context` (after `notice`'s HTML, when
// there is a notice) in place of "$Content$", and writes the page in the
// template's own encoding, replacing any earlier page whole.  Returns the
// page's path on the file system; on failure reports under the page prefix
// to context.errors and returns "".
std::string WritePaperPage(const RenderContext& context, const PageFiles& files,
                           const ContentNotice& notice = {});

}  // namespace generatesheet

#endif  // GENERATESHEET_RENDER_PAGE_ASSEMBLY_H_
