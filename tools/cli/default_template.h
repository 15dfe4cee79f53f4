// Where the bundled page template is found.
#ifndef GENERATESHEET_TOOLS_CLI_DEFAULT_TEMPLATE_H_
#define GENERATESHEET_TOOLS_CLI_DEFAULT_TEMPLATE_H_

#include <string>

namespace generatesheet::cli {

// The bundled templates/default.html: installed beside the program
// (<prefix>/share/generatesheet/templates/, the program in <prefix>/bin/),
// else in the source tree the program was built from.  Throws Error naming
// the places looked in when neither holds it.
std::string DefaultTemplatePath();

// A file bundled with the sources (e.g. "samples/demo.key"), found the same
// way as the template.
std::string BundledFilePath(const std::string& relative_path);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_CLI_DEFAULT_TEMPLATE_H_
