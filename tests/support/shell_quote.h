// Quoting for command lines that tests hand to /bin/sh.
#ifndef GENERATESHEET_TESTS_SUPPORT_SHELL_QUOTE_H_
#define GENERATESHEET_TESTS_SUPPORT_SHELL_QUOTE_H_

#include <string>

namespace generatesheet::testing {

// `text` as one shell word: 'it'\''s' for it's.
inline std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

}  // namespace generatesheet::testing

#endif  // GENERATESHEET_TESTS_SUPPORT_SHELL_QUOTE_H_
