#include "tools/archive/archive_check.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>

#include "tools/archive/archive_manifest.h"
#include "tools/archive/signing_key.h"
#include "util/error.h"
#include "util/regular_file.h"

namespace generatesheet::cli {

namespace {

namespace fs = std::filesystem;

// A manifest lists a few hundred bytes per file; this is millions of files.
constexpr size_t kMaxManifestBytes = 1024 * 1024 * 1024;

// A listed path that could reach outside the folder is never opened.
bool InsideFolder(const std::string& path) {
  if (path.empty() || path.front() == '/') return false;
  for (const fs::path& part : fs::path(path)) {
    if (part == ".." || part == ".") return false;
  }
  return true;
}

// Path -> the entry, for the files the manifest lists; throws on a manifest
// whose entries are not as written.
std::map<std::string, FileDigest> ListedFiles(const nlohmann::json& manifest,
                                              const std::string& where) {
  std::map<std::string, FileDigest> listed;
  if (!manifest.contains("files") || !manifest["files"].is_array()) {
    throw Error("存档清单缺少 files 列表：" + where);
  }
  for (const nlohmann::json& entry : manifest["files"]) {
    if (!entry.is_object() || !entry.contains("path") || !entry["path"].is_string() ||
        !entry.contains("size") || !entry["size"].is_number_unsigned() ||
        !entry.contains("sha256") || !entry["sha256"].is_string()) {
      throw Error("存档清单中有一项缺少 path、size 或 sha256：" + where + "：" + entry.dump());
    }
    const std::string path = entry["path"];
    if (!InsideFolder(path)) throw Error("存档清单中的路径指向文件夹之外：" + where + "：" + path);
    listed[path] = {entry["size"].get<std::uint64_t>(), entry["sha256"].get<std::string>()};
  }
  return listed;
}

void CheckSignature(const std::string& folder, const std::string& text,
                    const std::optional<std::string>& public_key, ArchiveCheck& check) {
  const std::string path = folder + kArchiveSignatureName;
  std::error_code ec;
  const bool present = fs::exists(fs::symlink_status(path, ec));
  if (!public_key) {
    if (present) check.notes.push_back("未给出 --public-key，签名未检查：" + path);
    return;
  }
  const SigningPublicKey key = ReadSigningPublicKey(*public_key);
  check.signature_checked = true;
  if (!present) {
    check.findings.push_back("缺少签名：" + path);
    return;
  }
  std::string signature;
  try {
    signature = ReadRegularFile(path, 4096);
  } catch (const std::exception& e) {
    check.findings.push_back(std::string("签名无法读取：") + e.what());
    return;
  }
  if (!SignatureMatches(text, signature, key)) {
    check.findings.push_back("签名不符（存档清单被改动，或签名用的不是这把密钥）：" + path);
  }
}

void CheckFiles(const std::string& folder, const std::map<std::string, FileDigest>& listed,
                ArchiveCheck& check) {
  const FolderContents contents = ListFolder(folder);
  for (const auto& [path, expected] : listed) {
    if (!std::binary_search(contents.files.begin(), contents.files.end(), path)) {
      check.findings.push_back("缺失：" + path);
      continue;
    }
    try {
      const FileDigest actual = DigestOfFile(folder + path);
      if (actual.size != expected.size || actual.sha256 != expected.sha256) {
        check.findings.push_back("已改动：" + path);
      }
    } catch (const std::exception& e) {
      check.findings.push_back(std::string("无法读取：") + e.what());
    }
  }
  for (const std::string& path : contents.files) {
    if (listed.count(path) == 0) check.findings.push_back("多出：" + path);
  }
  for (const std::string& path : contents.others) {
    check.findings.push_back("多出：" + path + "（不是普通文件）");
  }
}

}  // namespace

ArchiveCheck CheckArchive(const std::string& folder, const std::optional<std::string>& public_key) {
  const std::string where = folder + kArchiveManifestName;
  std::string text;
  try {
    text = ReadRegularFile(where, kMaxManifestBytes);
  } catch (const Error& e) {
    throw Error(std::string("无法读取存档清单：") + e.what());
  }
  nlohmann::json manifest;
  try {
    manifest = nlohmann::json::parse(text);
  } catch (const nlohmann::json::exception&) {
    throw Error("存档清单不是有效的 JSON：" + where);
  }
  if (!manifest.is_object() || manifest.value("format", "") != kArchiveFormat) {
    throw Error("不是 generate-sheet 的存档清单（format 不是 \"" + std::string(kArchiveFormat) +
                "\"）：" + where);
  }
  ArchiveCheck check;
  std::string blanked = text, self_hash;
  if (!BlankSelfHash(blanked, self_hash) || Sha256Hex(blanked) != self_hash) {
    check.findings.push_back("存档清单已被改动（自身散列不符）：" + where);
  }
  CheckSignature(folder, text, public_key, check);
  const std::map<std::string, FileDigest> listed = ListedFiles(manifest, where);
  check.files = listed.size();
  CheckFiles(folder, listed, check);
  return check;
}

}  // namespace generatesheet::cli
