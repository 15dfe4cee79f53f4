// Command-line parsing shared by every command of generate-sheet.
//
// Options are "--name VALUE", "--name=VALUE" or, for flags, "--name"; "--"
// ends the options.  Anything not starting with "--" is a positional
// argument.  Every command accepts "--help".  Each misuse is one UsageError
// whose text names the option at fault.
#ifndef GENERATESHEET_TOOLS_CLI_CLI_ARGS_H_
#define GENERATESHEET_TOOLS_CLI_CLI_ARGS_H_

#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace generatesheet::cli {

// Exit codes of every command.
inline constexpr int kExitOk = 0;          // every page written complete
inline constexpr int kExitFailed = 1;      // a page (or file) was not written
inline constexpr int kExitUsage = 2;       // bad command line
inline constexpr int kExitWithErrors = 3;  // every page written, some with errors

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One option of a command: what the parser accepts and its lines in --help.
struct OptionSpec {
  std::string name;        // without the leading "--"
  std::string value_name;  // shown after the name in --help; empty for a flag
  std::string help;        // lines after the first continue under the first;
                           // empty when the command's text describes it
  bool TakesValue() const { return !value_name.empty(); }
};

class ParsedArgs {
 public:
  // Throws UsageError for an unknown or repeated option, or a missing value.
  ParsedArgs(const std::vector<std::string>& args, const std::vector<OptionSpec>& specs);

  bool Has(const std::string& name) const { return values_.count(name) != 0; }
  std::optional<std::string> Get(const std::string& name) const;
  // The value of an option the command cannot do without; throws UsageError.
  std::string Require(const std::string& name) const;
  const std::vector<std::string>& Positionals() const { return positionals_; }
  bool HelpRequested() const { return help_; }

 private:
  std::map<std::string, std::string> values_;
  std::vector<std::string> positionals_;
  bool help_ = false;
};

// What main() knows of a command.  --help prints `about`, then (when the
// command lists options) "选项：" with one entry per option and --help, the
// descriptions starting at display column `help_column`, then `epilogue`.
struct CommandInfo {
  std::string name;
  std::string summary;  // one line, for the command list
  std::string about;    // usage line and description
  std::vector<OptionSpec> options = {};
  size_t help_column = 0;
  std::string epilogue;  // exit codes and notes
  std::function<int(const ParsedArgs&)> body;
};

// The full text --help prints for `command`.
std::string HelpText(const CommandInfo& command);

// Parses `args` for `command` and runs its body.  --help prints the help on
// stdout (exit 0); a UsageError prints one line and a hint on stderr (exit
// 2); any other exception from the body prints its text on stderr (exit 1).
int RunCommandLine(const CommandInfo& command, const std::vector<std::string>& args);

// Checks the number of positional arguments; throws UsageError naming what
// is missing or superfluous.
void ExpectPositionals(const ParsedArgs& args, size_t min, size_t max, const std::string& what);

// Checks the master key file the command works with: --key-file, else the
// file named by GENERATESHEET_KEY_FILE, and returns its path.  The
// environment is read here once: the command passes the path on as it is
// (to CreateHtml::SetKeyFile, the builder, its messages).  Call before any
// work.  Throws UsageError
// when neither the option nor the variable names a key file, and Error
// (naming the file) when the file is not a readable key.  A key file that
// others may read gets a warning on stderr.
std::string KeyFileOption(const ParsedArgs& args);

// Warns on stderr when others than its owner may use the key file at
// `path`; `what` names the kind of key ("主密钥文件").
void WarnIfOthersMayRead(const std::string& path, const std::string& what);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_CLI_CLI_ARGS_H_
