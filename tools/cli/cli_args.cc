#include "tools/cli/cli_args.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "generatesheet/master_key_file.h"
#include "util/edit_distance.h"
#include "util/error.h"

namespace generatesheet::cli {

namespace {

const OptionSpec* FindSpec(const std::vector<OptionSpec>& specs, const std::string& name) {
  for (const OptionSpec& spec : specs) {
    if (spec.name == name) return &spec;
  }
  return nullptr;
}

// "未知选项 --NAME", with the command's nearest option when one is close
// enough to be a slip of the keyboard.
std::string UnknownOption(const std::vector<OptionSpec>& specs, const std::string& name) {
  constexpr size_t kMaxSlip = 2;
  std::string nearest = "help";
  size_t best = EditDistance(name, nearest);
  for (const OptionSpec& spec : specs) {
    const size_t distance = EditDistance(name, spec.name);
    if (distance < best) {
      best = distance;
      nearest = spec.name;
    }
  }
  std::string message = "未知选项 --" + name;
  if (best <= kMaxSlip && best < name.size()) message += "；是否指 --" + nearest + "？";
  return message;
}

// Columns a UTF-8 text takes in a terminal: Chinese characters take two.
size_t DisplayWidth(const std::string& text) {
  size_t width = 0;
  for (size_t i = 0; i < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    width += length >= 3 ? 2 : 1;
    i += length;
  }
  return width;
}

void AppendOptionHelp(std::string& out, const std::string& term, const std::string& help,
                      size_t column) {
  const size_t width = DisplayWidth(term);
  out += term + std::string(width < column ? column - width : 1, ' ');
  for (size_t start = 0; start < help.size();) {
    size_t end = help.find('\n', start);
    if (end == std::string::npos) end = help.size();
    if (start != 0) out += std::string(column, ' ');
    out += help.substr(start, end - start) + "\n";
    start = end + 1;
  }
}

}  // namespace

ParsedArgs::ParsedArgs(const std::vector<std::string>& args, const std::vector<OptionSpec>& specs) {
  bool options_ended = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!options_ended && arg == "--") {
      options_ended = true;
      continue;
    }
    if (options_ended || arg.size() < 2 || arg[0] != '-') {
      positionals_.push_back(arg);
      continue;
    }
    if (arg[1] != '-') throw UsageError("未知选项 " + arg);
    std::string name = arg.substr(2);
    std::optional<std::string> inline_value;
    if (const size_t eq = name.find('='); eq != std::string::npos) {
      inline_value = name.substr(eq + 1);
      name.resize(eq);
    }
    if (name == "help") {
      help_ = true;
      continue;
    }
    const OptionSpec* spec = FindSpec(specs, name);
    if (spec == nullptr) throw UsageError(UnknownOption(specs, name));
    if (values_.count(name) != 0) throw UsageError("选项 --" + name + " 重复出现");
    if (!spec->TakesValue()) {
      if (inline_value) throw UsageError("选项 --" + name + " 不带值");
      values_[name] = "";
    } else if (inline_value) {
      values_[name] = *inline_value;
    } else if (i + 1 < args.size()) {
      values_[name] = args[++i];
    } else {
      throw UsageError("选项 --" + name + " 缺少值");
    }
  }
}

std::optional<std::string> ParsedArgs::Get(const std::string& name) const {
  auto it = values_.find(name);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

std::string ParsedArgs::Require(const std::string& name) const {
  std::optional<std::string> value = Get(name);
  if (!value) throw UsageError("缺少选项 --" + name);
  if (value->empty()) throw UsageError("选项 --" + name + " 的值为空");
  return *value;
}

void ExpectPositionals(const ParsedArgs& args, size_t min, size_t max, const std::string& what) {
  const size_t n = args.Positionals().size();
  if (n < min) throw UsageError("缺少参数：" + what);
  if (n > max) throw UsageError("多余的参数：" + args.Positionals()[max]);
}

std::string KeyFileOption(const ParsedArgs& args) {
  std::optional<std::string> option = args.Get("key-file");
  if (option && option->empty()) throw UsageError("选项 --key-file 的值为空");
  const std::string key_file = KeyFileOrDefault(option.value_or(""));
  if (key_file.empty()) {
    throw UsageError(std::string("未指定主密钥文件：请用 --key-file 或环境变量 ") +
                     kKeyFileEnvironmentVariable + " 指定");
  }
  // A key file that cannot be read would fail every student the same way:
  // say so once, before any work.
  CheckMasterKeyFile(key_file);
  WarnIfOthersMayRead(key_file, "主密钥文件");
  return key_file;
}

void WarnIfOthersMayRead(const std::string& path, const std::string& what) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && (st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    std::cerr << "警告：" << what << "的权限为 " << mode << "，其他用户也能访问：" << path
              << "（请执行 chmod 600）\n";
  }
}

std::string HelpText(const CommandInfo& command) {
  std::string text = command.about;
  const bool listed = std::any_of(command.options.begin(), command.options.end(),
                                  [](const OptionSpec& option) { return !option.help.empty(); });
  if (listed) {
    text += "\n选项：\n";
    for (const OptionSpec& option : command.options) {
      if (option.help.empty()) continue;
      std::string term = "  --" + option.name;
      if (option.TakesValue()) term += " " + option.value_name;
      AppendOptionHelp(text, term, option.help, command.help_column);
    }
    AppendOptionHelp(text, "  --help", "显示本帮助", command.help_column);
  }
  return text + "\n" + command.epilogue;
}

int RunCommandLine(const CommandInfo& command, const std::vector<std::string>& args) {
  const std::string who = "generate-sheet " + command.name;
  try {
    ParsedArgs parsed(args, command.options);
    if (parsed.HelpRequested()) {
      std::cout << HelpText(command);
      return kExitOk;
    }
    return command.body(parsed);
  } catch (const UsageError& e) {
    std::cerr << who << "：" << e.what() << "（用 " << who << " --help 查看用法）\n";
    return kExitUsage;
  } catch (const std::filesystem::filesystem_error& e) {
    // The library's words for the failure, not the system's English.
    const std::string path = e.path1().empty() ? "" : e.path1().string();
    std::cerr << who << "：" << SystemError("文件操作失败", path, e.code().value()).what() << "\n";
    return kExitFailed;
  } catch (const std::exception& e) {
    std::cerr << who << "：" << e.what() << "\n";
    return kExitFailed;
  }
}

}  // namespace generatesheet::cli
