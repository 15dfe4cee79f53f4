// Runs the built generate-sheet program and builds real answer packages for
// it to work on.
#ifndef GENERATESHEET_TESTS_TOOLS_CLI_FIXTURE_H_
#define GENERATESHEET_TESTS_TOOLS_CLI_FIXTURE_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "builder/package/answer_package.h"
#include "cipher/sodium_cipher.h"
#include "support/shell_quote.h"
#include "support/temp_dir.h"

namespace generatesheet::testing {

struct CliResult {
  int exit_code = -1;
  std::string out;
  std::string err;
};

// Runs generate-sheet with `args` (and `env` as extra "NAME=value" settings,
// or "-NAME" to unset one), in `working_dir`.  Waits for it to end.
CliResult RunCli(const std::vector<std::string>& args, const std::string& working_dir,
                 const std::vector<std::string>& env = {});
// Starts generate-sheet with `args` in `working_dir` without waiting, its
// stdout discarded and its stderr into `err_file` (discarded when "");
// returns the process id.
int SpawnCli(const std::vector<std::string>& args, const std::string& working_dir,
             const std::vector<std::string>& env = {}, const std::string& err_file = "");
std::string CliPath();

// Every line of `text` (without line ends).
std::vector<std::string> Lines(const std::string& text);

class CliTest : public ::testing::Test {
 protected:
  CliTest();

  CliResult Cli(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
    return RunCli(args, dir_.path(), env);
  }

  // A one-section paper for `student_id`: one single-choice question, its
  // options and the student's answer.
  builder::PackageDescription SmallPaper(const std::string& student_id) const;
  // Writes SmallPaper(student_id) as <dir>/<folder>/<zip_name>; returns the
  // folder.
  std::string MakePackage(const std::string& folder, const std::string& zip_name,
                          const std::string& student_id);

  TempDir dir_;
  std::string key_file_;
  std::unique_ptr<SodiumCipher> cipher_;
};

}  // namespace generatesheet::testing

#endif  // GENERATESHEET_TESTS_TOOLS_CLI_FIXTURE_H_
