// The Jet connection string "Provider = Microsoft.Jet.OLEDB.4.0;Data
// Source=<path>;Persist Security Info=False": semicolon-separated
// "key=value" pairs, keys without regard to case or surrounding blanks.
#ifndef GENERATESHEET_DATA_CONNECTION_STRING_H_
#define GENERATESHEET_DATA_CONNECTION_STRING_H_

#include <string>
#include <string_view>

namespace generatesheet {

// The value of "Data Source" as written, without surrounding blanks or
// double quotes; empty when there is none.
std::string DataSourceOf(std::string_view connection_string);

// The file a Data Source names.  The fixed texts join the folder and the
// file name with "\" ("<folder>\Pbase.mdb"): that last "\", when no "/"
// follows it, is the separator; every other "\" is part of a name, so a
// folder named "a\b" can be addressed.
std::string DataSourceFile(std::string_view source);

}  // namespace generatesheet

#endif  // GENERATESHEET_DATA_CONNECTION_STRING_H_
