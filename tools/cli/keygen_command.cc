// generate-sheet keygen: a new master key file.
#include <iostream>

#include "generatesheet/master_key_file.h"
#include "tools/archive/signing_key.h"
#include "tools/cli/commands.h"

namespace generatesheet::cli {

namespace {

constexpr char kAbout[] =
    "用法：generate-sheet keygen 文件\n"
    "      generate-sheet keygen --signing 文件\n"
    "\n"
    "生成一个新的随机主密钥，写入文件（权限 0600）。已存在的文件不会被覆盖。\n"
    "格式见 doc/cipher.md。用 run/batch/pack 的 --key-file 或环境变量\n"
    "GENERATESHEET_KEY_FILE 指定它。\n"
    "\n"
    "--signing：改为生成签名存档清单用的 Ed25519 密钥对：私钥写入文件（权限 0600），\n"
    "公钥写入旁边的 文件.pub（PEM 格式）。用 batch/summary 的 --sign 私钥 签名，\n"
    "用 verify 的 --public-key 文件.pub 核对。格式见 doc/archive-manifest.md。\n";

constexpr char kEpilogue[] = "退出码：0 已写出；1 无法写出（原因打印在标准错误）；2 用法错误。\n";

int Run(const ParsedArgs& args) {
  ExpectPositionals(args, 1, 1, "密钥文件路径");
  const std::string& path = args.Positionals()[0];
  if (args.Has("signing")) {
    WriteNewSigningKeyPair(path);
    std::cout << path << "\n" << PublicKeyPathFor(path) << "\n";
    return kExitOk;
  }
  WriteNewMasterKeyFile(path);
  std::cout << path << "\n";
  return kExitOk;
}

}  // namespace

CommandInfo KeygenCommand() {
  // --signing is described in the text above the exit codes.
  return {.name = "keygen",
          .summary = "生成新的主密钥文件或签名密钥对",
          .about = kAbout,
          .options = {{"signing", "", ""}},
          .epilogue = kEpilogue,
          .body = Run};
}

}  // namespace generatesheet::cli
