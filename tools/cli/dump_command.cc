// generate-sheet dump: the tables of an Access file as JSON.
#include <iostream>

#include "tools/cli/commands.h"
#include "tools/cli/mdb_json.h"

namespace generatesheet::cli {

namespace {

constexpr char kAbout[] =
    "用法：generate-sheet dump 文件.mdb [表名]\n"
    "\n"
    "把 Access（Jet 4）数据库文件的全部用户表（或指定的一个表）以 JSON 打印到标准输出：\n"
    "  {表名: {\"columns\": [{\"name\", \"type\"}], \"rows\": [{字段: 值}]}}\n"
    "Null 为 null；日期为 {\"date\": ISO-8601}；二进制值为 {\"base64\": ...}；\n"
    "货币与小数类型的值为文本。\n"
    "答卷包中的 Analysis.mdb 是加密的：先用 run 生成一次（会就地解密），再查看。\n";

constexpr char kEpilogue[] = "退出码：0 成功；1 文件无法读取（原因打印在标准错误）；2 用法错误。\n";

int Run(const ParsedArgs& args) {
  ExpectPositionals(args, 1, 2, "数据库文件");
  const std::vector<std::string>& positionals = args.Positionals();
  std::optional<std::string> table;
  if (positionals.size() == 2) table = positionals[1];
  const nlohmann::ordered_json dump = DumpDatabase(positionals[0], table);
  std::cout << dump.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
  return kExitOk;
}

}  // namespace

CommandInfo DumpCommand() {
  return {.name = "dump",
          .summary = "以 JSON 打印 Access 数据库文件的表",
          .about = kAbout,
          .epilogue = kEpilogue,
          .body = Run};
}

}  // namespace generatesheet::cli
