#include "tools/cli/input_files.h"

#include <algorithm>
#include <cstdio>
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

// "第 3 行第 7 个字节（0xD5）起" for the byte at `offset`; lines are counted
// only in an encoding where a line feed is the byte 0x0A.
std::string WhereInText(std::string_view bytes, size_t offset, bool lines_by_byte) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned char>(bytes[offset]));
  if (!lines_by_byte) return "第 " + std::to_string(offset + 1) + " 个字节（" + hex + "）起";
  const std::string_view before = bytes.substr(0, offset);
  const size_t line = 1 + std::count(before.begin(), before.end(), '\n');
  const size_t line_start =
      before.rfind('\n') == std::string_view::npos ? 0 : before.rfind('\n') + 1;
  return "第 " + std::to_string(line) + " 行第 " + std::to_string(offset - line_start + 1) +
         " 个字节（" + hex + "）起";
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
  if (!detected.bom.empty()) {
    StrictDecoding decoded = DecodeToUtf8Strictly(bytes, detected);
    if (!decoded.invalid_at) return std::move(decoded.text);
    throw Error("清单编码错误：" + path + " 以 " + detected.name + " 的字节序标记开头，但" +
                WhereInText(bytes, *decoded.invalid_at, detected.name == "UTF-8") + "不是有效的 " +
                detected.name);
  }
  // Text in one encoding throughout, never a guess per line: a name in
  // another encoding would be read as other characters without a word.
  const StrictDecoding utf8 = DecodeToUtf8Strictly(bytes, {"UTF-8", ""});
  if (!utf8.invalid_at) return bytes;
  StrictDecoding gb18030 = DecodeToUtf8Strictly(bytes, {"GB18030", ""});
  if (!gb18030.invalid_at) return std::move(gb18030.text);
  throw Error("清单编码错误：" + path + " 既不是有效的 UTF-8（" +
              WhereInText(bytes, *utf8.invalid_at, true) + "无效），也不是有效的 GB18030（" +
              WhereInText(bytes, *gb18030.invalid_at, true) +
              "无效）；请把整个文件存为其中一种编码");
}

std::vector<ManifestRow> ReadManifest(const std::string& path, std::vector<std::string>* warnings) {
  const std::string text = ReadManifestText(path);
  return ParseManifest(text, path, fs::path(path).parent_path().string(), warnings);
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
