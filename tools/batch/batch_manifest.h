// The manifest of a batch: one CSV row per student (format in doc/cli.md).
#ifndef GENERATESHEET_TOOLS_BATCH_BATCH_MANIFEST_H_
#define GENERATESHEET_TOOLS_BATCH_BATCH_MANIFEST_H_

#include <string>
#include <string_view>
#include <vector>

#include "tools/job/sheet_job.h"

namespace generatesheet::cli {

// The columns a manifest's header row must name, in any order; other
// columns are ignored.  Each may also be named by its Chinese alias.
inline constexpr const char* kManifestColumns[] = {"package_folder", "zip_name", "student_id",
                                                   "student_name", "subject"};
inline constexpr const char* kManifestAliases[] = {"答卷包文件夹", "答卷包", "学号", "姓名",
                                                   "科目"};
// Columns a manifest may name, with their aliases: the student's class, so
// the summary can set classes side by side.
inline constexpr const char* kManifestOptionalColumns[] = {"class"};
inline constexpr const char* kManifestOptionalAliases[] = {"班级"};

struct ManifestRow {
  size_t index = 0;  // 0-based among the data rows; what --shard divides
  size_t line = 0;   // 1-based line of the manifest where the row starts
  StudentJob job;
};

// Parses manifest text.  A relative package_folder is taken from
// `base_folder`.  Throws Error naming `source` (and the line) when the header
// lacks a column or names one twice, a row has the wrong number of fields,
// a row's package_folder, zip_name or student_id is empty, a field holds a
// NUL, or a zip_name is no plain file name ending in ".zip" (any case).
// A header without the column class but with a column named nearly like it
// ("clas", "班別") adds a "did you mean" line to `warnings`, when given.
std::vector<ManifestRow> ParseManifest(std::string_view text, const std::string& source,
                                       const std::string& base_folder,
                                       std::vector<std::string>* warnings = nullptr);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_BATCH_BATCH_MANIFEST_H_
