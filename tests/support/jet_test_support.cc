#include "support/jet_test_support.h"

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "support/shell_quote.h"
#include "support/temp_dir.h"

namespace generatesheet::testing {

namespace {

const std::string kScriptDir = std::string(GENERATESHEET_SOURCE_DIR) + "/tests/js";

}  // namespace

nlohmann::json ReadWithMdbReader(const std::string& path) {
  if (!std::filesystem::exists(kScriptDir + "/node_modules/mdb-reader/package.json")) {
    throw std::runtime_error("mdb-reader is not installed in " + kScriptDir +
                             "/node_modules: run `npm ci --prefix tests/js` in the source tree");
  }
  TempDir scratch;
  const std::string errors = scratch.File("stderr");
  const std::string command = "node " + ShellQuote(kScriptDir + "/read_mdb.mjs") + " " +
                              ShellQuote(path) + " 2>" + ShellQuote(errors);
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("cannot run: " + command);
  std::string output;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  const int status = ::pclose(pipe);
  if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::string message;
    try {
      message = ReadFileForTest(errors);
    } catch (const std::exception&) {
    }
    throw std::runtime_error("mdb-reader failed on " + path + " (is node installed?): " + message);
  }
  return nlohmann::json::parse(output);
}

}  // namespace generatesheet::testing
