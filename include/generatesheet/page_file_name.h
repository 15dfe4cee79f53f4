// The file name of a student's page, derived from the package's name: the
// name GenerateSheet writes the page under in HtmlPaperPath.
#ifndef GENERATESHEET_PAGE_FILE_NAME_H_
#define GENERATESHEET_PAGE_FILE_NAME_H_

#include <string>

#include "generatesheet/export.h"

namespace generatesheet {

// `zip_paper_name` with every "#" removed, then every ".zip" turned into
// ".html" (case-sensitive, anywhere in the name): "a#b.zip" -> "ab.html",
// "paper.ZIP" stays as it is.
GENERATESHEET_EXPORT std::string PageFileName(const std::string& zip_paper_name);

}  // namespace generatesheet

#endif  // GENERATESHEET_PAGE_FILE_NAME_H_
