// The key file a command works with is resolved once, from --key-file or
// the environment, and handed on as a path.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>
#include <vector>

#include "generatesheet/master_key_file.h"
#include "support/temp_dir.h"
#include "tools/cli/cli_args.h"
#include "util/error.h"

namespace generatesheet::cli {
namespace {

// Sets the key file variable for one test and puts the old value back.
class KeyFileVariable {
 public:
  explicit KeyFileVariable(const std::optional<std::string>& value) {
    if (const char* old = ::getenv(kKeyFileEnvironmentVariable)) saved_ = old;
    if (value) {
      ::setenv(kKeyFileEnvironmentVariable, value->c_str(), 1);
    } else {
      ::unsetenv(kKeyFileEnvironmentVariable);
    }
  }
  ~KeyFileVariable() {
    if (saved_) {
      ::setenv(kKeyFileEnvironmentVariable, saved_->c_str(), 1);
    } else {
      ::unsetenv(kKeyFileEnvironmentVariable);
    }
  }

 private:
  std::optional<std::string> saved_;
};

TEST(KeyFileOptionTest, ReturnsTheResolvedPath) {
  generatesheet::testing::TempDir dir;
  const std::string named = dir.File("named.key");
  const std::string from_env = dir.File("env.key");
  WriteNewMasterKeyFile(named);
  WriteNewMasterKeyFile(from_env);
  const std::vector<OptionSpec> specs = {{"key-file", "文件", ""}};
  struct Case {
    std::vector<std::string> args;
    std::optional<std::string> variable;
    std::string expected;  // "" for a usage error
  };
  const Case cases[] = {
      {{"--key-file", named}, std::nullopt, named},
      {{"--key-file", named}, from_env, named},  // the option wins
      {{}, from_env, from_env},                  // the variable's file, by its path
      {{}, std::nullopt, ""},
      {{}, std::string(), ""},
      {{"--key-file="}, from_env, ""},
  };
  for (const Case& c : cases) {
    const KeyFileVariable variable(c.variable);
    const ParsedArgs args(c.args, specs);
    if (c.expected.empty()) {
      EXPECT_THROW(KeyFileOption(args), UsageError) << ::testing::PrintToString(c.args);
    } else {
      EXPECT_EQ(KeyFileOption(args), c.expected) << ::testing::PrintToString(c.args);
    }
  }
}

TEST(KeyFileOptionTest, AFileThatIsNoKeyIsRefusedByName) {
  generatesheet::testing::TempDir dir;
  const std::string bad = dir.File("bad.key");
  generatesheet::testing::WriteFileForTest(bad, "not a key\n");
  const KeyFileVariable variable(bad);
  const ParsedArgs args({}, {{"key-file", "文件", ""}});
  try {
    KeyFileOption(args);
    FAIL() << "a file that is no key was accepted";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(bad), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace generatesheet::cli
