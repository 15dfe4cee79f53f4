#include "support/command_output.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <stdexcept>

namespace generatesheet::testing {

CommandOutput RunForOutput(const std::string& command) {
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("cannot run: " + command);
  CommandOutput output;
  std::array<char, 65536> buffer;
  while (size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) {
    output.text.append(buffer.data(), n);
  }
  const int status = ::pclose(pipe);
  output.exited_zero = status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return output;
}

}  // namespace generatesheet::testing
