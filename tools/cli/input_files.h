// The files a command reads before any work: the template, the manifest and
// where the report goes.  Each one that cannot work is refused up front,
// with the file named, rather than failing every student the same way.
#ifndef GENERATESHEET_TOOLS_CLI_INPUT_FILES_H_
#define GENERATESHEET_TOOLS_CLI_INPUT_FILES_H_

#include <cstddef>
#include <string>
#include <vector>

#include "tools/batch/batch_manifest.h"

namespace generatesheet::cli {

// A template is a page, not a data file.
inline constexpr std::size_t kMaxTemplateBytes = 8 * 1024 * 1024;
// A manifest of a whole province still fits easily.
inline constexpr std::size_t kMaxManifestBytes = 256 * 1024 * 1024;

// Throws Error naming the template when it is not a regular file, is too
// large, is in an encoding the system does not read (a UTF-32 byte-order
// mark), or holds no "$Content$" (the page would show none of the paper).
void CheckTemplate(const std::string& path);

// The manifest's text as UTF-8: a byte-order mark says its encoding; else
// text that is valid UTF-8 is taken as it is; else it is read as GB18030, as
// Chinese spreadsheet programs save CSV.  Throws Error naming the file, and
// the line and byte of the first invalid byte, when the text is not valid
// throughout in the encoding its mark names, or without a mark neither in
// UTF-8 nor in GB18030 (text in two encodings at once).
std::string ReadManifestText(const std::string& path);

// Reads and parses the manifest file at `path`; relative folders are taken
// from the manifest's own folder.
std::vector<ManifestRow> ReadManifest(const std::string& path,
                                      std::vector<std::string>* warnings = nullptr);

// Throws UsageError when the report would replace the manifest, and Error
// when no file can be written where the report goes.
void CheckReportPath(const std::string& report, const std::string& manifest);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_CLI_INPUT_FILES_H_
