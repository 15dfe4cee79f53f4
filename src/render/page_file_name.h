// The file name of a student's page, derived from the package's name.
#ifndef GENERATESHEET_RENDER_PAGE_FILE_NAME_H_
#define GENERATESHEET_RENDER_PAGE_FILE_NAME_H_

#include <string>

namespace generatesheet {

// `zip_paper_name` with every "#" removed, then every ".zip" turned into
// ".html" (case-sensitive, anywhere in the name): "a#b.zip" -> "ab.html",
// "paper.ZIP" stays as it is.
std::string PageFileName(const std::string& zip_paper_name);

}  // namespace generatesheet

#endif  // GENERATESHEET_RENDER_PAGE_FILE_NAME_H_
