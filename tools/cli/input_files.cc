#include "tools/cli/input_files.h"

#include <filesystem>
#include <system_error>

#include "tools/cli/cli_args.h"
#include "util/error.h"
#include "util/regular_file.h"
#include "util/replacement_file.h"
#include "util/text_encoding.h"
#include "util/utf8.h"

namespace generatesheet::cli {

namespace fs = std::filesystem;

namespace {

std::string Read(const std::string& path, std::size_t max_bytes, const std::string& what) {
  try {
    return ReadRegularFile(path, max_bytes);
  } catch (const Error& e) {
    throw Error("无法读取" + what + "：" + e.what());
  }
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (fs::equivalent(a, b, ec)) return true;
  const fs::path x = fs::weakly_canonical(a, ec);
  if (ec) return false;
  return x == fs::weakly_canonical(b, ec) && !ec;
}

}  // namespace

void CheckTemplate(const std::string& path) {
  const std::string bytes = Read(path, kMaxTemplateBytes, "模板");
  RefuseUtf32(bytes, "模板", path);
  const std::string text = DecodeToUtf8(bytes, DetectTemplateEncoding(bytes));
  if (text.find("$Content$") == std::string::npos) {
    throw Error("模板中没有 \"$Content$\"，页面将不含试卷内容：" + path);
  }
}

std::string ReadManifestText(const std::string& path) {
  const std::string bytes = Read(path, kMaxManifestBytes, "清单");
  RefuseUtf32(bytes, "清单", path);
  const TextEncoding detected = DetectTemplateEncoding(bytes);
  if (!detected.bom.empty()) return DecodeToUtf8(bytes, detected);
  if (IsValidUtf8(bytes)) return bytes;
  return DecodeToUtf8(bytes, {"GB18030", ""});
}

void CheckReportPath(const std::string& report, const std::string& manifest) {
  if (SameFile(report, manifest)) {
    throw UsageError("选项 --report 指向清单文件本身，报告会覆盖清单：" + report);
  }
  std::error_code ec;
  if (fs::is_directory(report, ec)) throw Error("报告路径是一个文件夹：" + report);
  const fs::path parent = fs::path(report).parent_path();
  if (!parent.empty() && !fs::is_directory(parent, ec)) {
    throw Error("报告所在的文件夹不存在：" + parent.string());
  }
  // A temporary file beside the report, removed again: the report can be
  // written there when the batch ends.
  try {
    ReplacementFile probe(report, 0644);
  } catch (const Error& e) {
    throw Error("无法写出报告：" + report + "：" + e.what());
  }
}

}  // namespace generatesheet::cli
