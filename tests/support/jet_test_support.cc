#include "support/jet_test_support.h"

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "support/command_output.h"
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
  const CommandOutput output = RunForOutput(command);
  if (!output.exited_zero) {
    std::string message;
    try {
      message = ReadFileForTest(errors);
    } catch (const std::exception&) {
    }
    throw std::runtime_error("mdb-reader failed on " + path + " (is node installed?): " + message);
  }
  return nlohmann::json::parse(output.text);
}

}  // namespace generatesheet::testing
