// generate-sheet pack: a real answer package from a JSON description.
#include <filesystem>
#include <iostream>

#include "builder/package/answer_package.h"
#include "builder/package/package_cipher.h"
#include "tools/cli/commands.h"
#include "tools/cli/package_description.h"
#include "tools/job/output_folder.h"
#include "util/error.h"

namespace generatesheet::cli {

namespace {

constexpr char kAbout[] =
    "用法：generate-sheet pack 描述.json --out 文件夹 [--key-file 文件] [--name 名称.zip]\n"
    "\n"
    "按 JSON 描述生成一个真实的答卷包：题库 Pbase.mdb 与考生答案库 Analysis.mdb\n"
    "（答案、解析与得分逐值加密，整个文件再加密），以密码 \"qvk\" 压缩为 zip。\n"
    "描述的格式见 doc/package-description.md。成功时在标准输出打印答卷包路径。\n";

constexpr char kEpilogue[] =
    "退出码：0 已写出；1 描述或文件有误（原因打印在标准错误）；2 用法错误。\n";

int Run(const ParsedArgs& args) {
  ExpectPositionals(args, 1, 1, "描述文件");
  const std::string out = args.Require("out");
  const std::optional<std::string> name = args.Get("name");
  if (name && name->empty()) throw UsageError("选项 --name 的值为空");
  const std::string key_file = KeyFileOption(args);

  PackageSpec spec = ReadPackageSpec(args.Positionals()[0]);
  if (name) spec.package_name = *name;
  if (spec.package_name.find('/') != std::string::npos || spec.package_name == "." ||
      spec.package_name == "..") {
    throw Error("答卷包名应为文件名，不能含路径：" + spec.package_name);
  }
  const auto cipher = builder::CipherForKeyFile(key_file);
  const std::string path = PrepareOutputFolder(out) + spec.package_name;
  builder::BuildAnswerPackage(spec.description, *cipher, path, spec.options);
  std::cout << path << "\n";
  return kExitOk;
}

}  // namespace

CommandInfo PackCommand() {
  return {.name = "pack",
          .summary = "按 JSON 描述生成答卷包",
          .about = kAbout,
          .options = {{"out", "文件夹", "答卷包写入的文件夹，不存在时创建（必需）"},
                      {"name", "名称.zip",
                       "答卷包文件名（默认：描述中的 package_name，\n"
                       "否则为描述文件名换成 .zip）"},
                      {"key-file", "文件",
                       "加密用的主密钥文件（默认：环境变量 GENERATESHEET_KEY_FILE）"}},
          .help_column = 21,
          .epilogue = kEpilogue,
          .body = Run};
}

}  // namespace generatesheet::cli
