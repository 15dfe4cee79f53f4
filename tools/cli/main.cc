// generate-sheet: the command-line host of the GenerateSheet library.
#include <iostream>
#include <string>
#include <vector>

#include "generatesheet/version.h"
#include "tools/batch/folder_wait_notice.h"
#include "tools/cli/cli_args.h"
#include "tools/cli/commands.h"

namespace {

using generatesheet::cli::CommandInfo;

std::vector<CommandInfo> AllCommands() {
  using namespace generatesheet::cli;
  return {RunCommand(),    BatchCommand(), SummaryCommand(), PackCommand(),
          KeygenCommand(), DumpCommand(),  DemoCommand(),    VerifyCommand()};
}

void PrintOverview(std::ostream& out, const std::vector<CommandInfo>& commands) {
  out << "用法：generate-sheet 命令 [选项]\n"
         "把学生的答卷包生成为 HTML 试卷页面。\n\n命令：\n";
  for (const CommandInfo& command : commands) {
    out << "  " << command.name << std::string(8 - command.name.size(), ' ') << command.summary
        << "\n";
  }
  out << "\n每个命令都接受 --help；generate-sheet --version 显示版本。退出码：0 成功，3 "
         "页面都已写出但有的有错误，1 "
         "有页面（或文件）未写成，2 用法错误。\n";
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<CommandInfo> commands = AllCommands();
  if (argc < 2) {
    PrintOverview(std::cerr, commands);
    return generatesheet::cli::kExitUsage;
  }
  const std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    PrintOverview(std::cout, commands);
    return generatesheet::cli::kExitOk;
  }
  if (name == "--version") {
    std::cout << "generate-sheet " << generatesheet::Version() << "\n";
    return generatesheet::cli::kExitOk;
  }
  generatesheet::cli::ShowFolderWaitsOnStderr();
  for (const CommandInfo& command : commands) {
    if (command.name == name) {
      return generatesheet::cli::RunCommandLine(command,
                                                std::vector<std::string>(argv + 2, argv + argc));
    }
  }
  std::cerr << "generate-sheet：未知命令 " << name << "（用 generate-sheet --help 查看命令）\n";
  return generatesheet::cli::kExitUsage;
}
