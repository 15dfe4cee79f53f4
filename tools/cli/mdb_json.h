// An Access file's tables as JSON, in the form the independent reader
// mdb-reader gives them: {table: {columns: [{name, type}], rows: [{column:
// value}]}}.  Null is null; dates are {"date": ISO-8601}; binary values
// {"base64": ...}; currency and decimal numbers are text.
#ifndef GENERATESHEET_TOOLS_CLI_MDB_JSON_H_
#define GENERATESHEET_TOOLS_CLI_MDB_JSON_H_

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace generatesheet::cli {

// Every user table of the file at `path`, or only `table` (its name matched
// without regard to case).  Throws Error naming the file or table.
nlohmann::ordered_json DumpDatabase(const std::string& path,
                                    const std::optional<std::string>& table);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_CLI_MDB_JSON_H_
