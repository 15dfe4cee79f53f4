// The commands of generate-sheet, one per file.
#ifndef GENERATESHEET_TOOLS_CLI_COMMANDS_H_
#define GENERATESHEET_TOOLS_CLI_COMMANDS_H_

#include "tools/cli/cli_args.h"

namespace generatesheet::cli {

CommandInfo RunCommand();      // run_command.cc
CommandInfo BatchCommand();    // batch_command.cc
CommandInfo PackCommand();     // pack_command.cc
CommandInfo KeygenCommand();   // keygen_command.cc
CommandInfo DumpCommand();     // dump_command.cc
CommandInfo DemoCommand();     // demo_command.cc
CommandInfo SummaryCommand();  // summary_command.cc
CommandInfo VerifyCommand();   // verify_command.cc

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_CLI_COMMANDS_H_
