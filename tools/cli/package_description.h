// The readable JSON description of an answer package that pack builds
// (format in doc/package-description.md).
#ifndef GENERATESHEET_TOOLS_CLI_PACKAGE_DESCRIPTION_H_
#define GENERATESHEET_TOOLS_CLI_PACKAGE_DESCRIPTION_H_

#include <nlohmann/json.hpp>
#include <string>

#include "builder/package/answer_package.h"

namespace generatesheet::cli {

struct PackageSpec {
  builder::PackageDescription description;
  builder::BuildOptions options;
  std::string package_name;  // e.g. "1001.zip"; "" when the description names none
  std::string student_name;  // for the page header of the demo; not in the package
  std::string subject;
};

// Turns a parsed description into what the builder takes.  Throws Error
// naming `source` and the place (table, row, column) of anything it cannot
// take: an unknown key or table, a row that is not an object, a value that
// is neither null, a number, a Boolean, text nor {"rtf": text}.
PackageSpec ParsePackageSpec(const nlohmann::json& json, const std::string& source);

// Reads and parses the description file at `path`; without a package name
// in it, the name is the file's stem with ".zip".
PackageSpec ReadPackageSpec(const std::string& path);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_CLI_PACKAGE_DESCRIPTION_H_
