// File names as text.  A name on Linux is any bytes but "/" and NUL, so a
// name read from a folder may not be UTF-8 and may hold line ends; these
// helpers keep such a name exact in a manifest and harmless on a line.
#ifndef GENERATESHEET_TOOLS_ARCHIVE_FILE_NAME_TEXT_H_
#define GENERATESHEET_TOOLS_ARCHIVE_FILE_NAME_TEXT_H_

#include <string>
#include <string_view>

namespace generatesheet::cli {

// `name` fit to print on one line: each byte that is not part of UTF-8, and
// each byte of a control character (C0, DEL, C1), of a line or paragraph
// separator (U+2028, U+2029) or of a mark that reorders text (U+200E,
// U+200F, U+202A to U+202E, U+2066 to U+2069) as "\xHH", and "\" as "\\";
// everything else as it is.  Two different names never print alike.
std::string PrintableName(std::string_view name);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_ARCHIVE_FILE_NAME_TEXT_H_
