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

}  // namespace generatesheet

#endif  // GENERATESHEET_DATA_CONNECTION_STRING_H_
