// The page file: the assembled page written whole, never over the answer
// package.
#ifndef GENERATESHEET_COMPONENT_PAGE_FILE_H_
#define GENERATESHEET_COMPONENT_PAGE_FILE_H_

#include <string>

#include "render/page_assembly.h"
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

// Assembles the page from the template and `context` and writes it in the
// template's own encoding, replacing any earlier page whole.  Returns the
// page's path on the file system; on failure reports under the page prefix
// to context.errors and returns "".
std::string WritePaperPage(const RenderContext& context, const PageFiles& files,
                           const ContentNotice& notice = {});

}  // namespace generatesheet

#endif  // GENERATESHEET_COMPONENT_PAGE_FILE_H_
