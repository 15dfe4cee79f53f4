// Builds the values the renderers put into query texts, so that a value is
// never read as anything but a literal.
#ifndef GENERATESHEET_DATA_SQL_LITERAL_H_
#define GENERATESHEET_DATA_SQL_LITERAL_H_

#include <string>
#include <string_view>

namespace generatesheet {

// The text between single quotes, with every quote inside doubled:
// O'Brien -> 'O''Brien'.
std::string SqlQuoted(std::string_view text);

// The text itself when it is a decimal integer (optional minus sign, digits
// only); otherwise throws Error naming the value.
std::string SqlInteger(std::string_view text);

}  // namespace generatesheet

#endif  // GENERATESHEET_DATA_SQL_LITERAL_H_
