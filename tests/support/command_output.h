// Runs a shell command and collects what it writes to standard output, for
// tests that read files back with another program (pdfinfo, openpyxl, …).
#ifndef GENERATESHEET_TESTS_SUPPORT_COMMAND_OUTPUT_H_
#define GENERATESHEET_TESTS_SUPPORT_COMMAND_OUTPUT_H_

#include <string>

namespace generatesheet::testing {

struct CommandOutput {
  std::string text;
  bool exited_zero = false;
};

// Throws std::runtime_error naming the command when no shell can be started.
CommandOutput RunForOutput(const std::string& command);

}  // namespace generatesheet::testing

#endif  // GENERATESHEET_TESTS_SUPPORT_COMMAND_OUTPUT_H_
