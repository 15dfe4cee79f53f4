// generate-sheet verify: an output folder checked against its MANIFEST.json.
#include <iostream>

#include "tools/archive/archive_check.h"
#include "tools/cli/commands.h"
#include "tools/job/sheet_job.h"

namespace generatesheet::cli {

namespace {

constexpr char kAbout[] =
    "用法：generate-sheet verify 文件夹 [--public-key 公钥文件]\n"
    "\n"
    "按文件夹中的存档清单 MANIFEST.json（batch 与 summary 写出）核对文件夹中的\n"
    "每个文件：逐个列出已改动、缺失和多出的文件。存档清单自身的散列也核对。\n";

constexpr char kEpilogue[] =
    "格式见 doc/archive-manifest.md，其他程序也可据此核对。\n"
    "退出码：0 每个文件都相符（给出公钥时签名也有效）；1 有不符之处或存档清单无法读取；\n"
    "2 用法错误。\n";

int Run(const ParsedArgs& args) {
  ExpectPositionals(args, 1, 1, "文件夹");
  const std::string folder = WithTrailingSlash(args.Positionals()[0]);
  std::optional<std::string> public_key = args.Get("public-key");
  if (public_key) public_key = args.Require("public-key");
  const ArchiveCheck check = CheckArchive(folder, public_key);
  for (const std::string& finding : check.findings) std::cout << finding << "\n";
  for (const std::string& note : check.notes) std::cerr << note << "\n";
  if (!check.findings.empty()) {
    std::cerr << "核对未通过：" << check.findings.size() << " 处不符\n";
    return kExitFailed;
  }
  std::cerr << "核对通过：" << check.files << " 个文件与存档清单相符"
            << (check.signature_checked ? "，签名有效" : "") << "\n";
  return kExitOk;
}

}  // namespace

CommandInfo VerifyCommand() {
  return {.name = "verify",
          .summary = "按存档清单核对输出文件夹",
          .about = kAbout,
          .options = {{"public-key", "文件",
                       "签名公钥（keygen --signing 写出的 *.pub）：另核对签名\n"
                       "MANIFEST.json.sig；不给出时签名不检查"}},
          .help_column = 21,
          .epilogue = kEpilogue,
          .body = Run};
}

}  // namespace generatesheet::cli
