#include "tools/cli/summary_options.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "tools/archive/signing_key.h"

namespace generatesheet::cli {

namespace fs = std::filesystem;

namespace {

// Whether `path` names a file in `folder` or one of its subfolders, links
// resolved.
bool IsInsideFolder(const std::string& path, const std::string& folder) {
  std::error_code ec;
  std::string dir = fs::weakly_canonical(fs::absolute(folder, ec), ec).string();
  const std::string file = fs::weakly_canonical(fs::absolute(path, ec), ec).string();
  while (dir.size() > 1 && dir.ends_with('/')) dir.pop_back();
  return file.starts_with(dir == "/" ? dir : dir + "/");
}

}  // namespace

ExamTitle ExamTitleOption(const ParsedArgs& args) {
  ExamTitle exam{args.Get("title").value_or(""), RunDate()};
  if (args.Has("title") && exam.title.find_first_not_of(" \t\r\n") == std::string::npos) {
    throw UsageError("选项 --title 的值为空");
  }
  return exam;
}

double ParseBandShare(const std::string& option, const std::string& text) {
  std::string digits = text;
  if (!digits.empty() && digits.back() == '%') digits.pop_back();
  double percent = 0;
  const char* end = digits.data() + digits.size();
  const auto [at, ec] = std::from_chars(digits.data(), end, percent);
  if (digits.empty() || ec != std::errc() || at != end || !std::isfinite(percent) || percent <= 0 ||
      percent > 100) {
    throw UsageError("选项 --" + option + " 的值应为 0 到 100 之间的百分数（如 60%），而不是“" +
                     text + "”");
  }
  return percent / 100;
}

ScoreBands ScoreBandsOption(const ParsedArgs& args) {
  ScoreBands bands;
  if (const auto v = args.Get("pass")) bands.pass = ParseBandShare("pass", *v);
  if (const auto v = args.Get("excellent")) bands.excellent = ParseBandShare("excellent", *v);
  if (const auto v = args.Get("low")) bands.low = ParseBandShare("low", *v);
  return bands;
}

std::string SigningKeyOption(const ParsedArgs& args, const std::string& out_folder) {
  if (!args.Has("sign")) return "";
  const std::string path = args.Require("sign");
  // The manifest lists every file of the folder: a key there would be
  // archived, and handed on with the folder.
  if (IsInsideFolder(path, out_folder)) {
    throw UsageError("签名密钥文件在输出文件夹中，会被收入存档并随文件夹交出：" + path +
                     "（请把它移到输出文件夹之外）");
  }
  SigningPublicKey public_key;
  SignWithKeyFile(path, "", public_key);
  WarnIfOthersMayRead(path, "签名密钥文件");
  return path;
}

}  // namespace generatesheet::cli
