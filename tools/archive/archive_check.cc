#include "tools/archive/archive_check.h"

#include <sodium.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "tools/archive/archive_manifest.h"
#include "tools/archive/file_name_text.h"
#include "tools/archive/manifest_listing.h"
#include "tools/archive/signing_key.h"
#include "tools/job/output_files.h"
#include "tools/job/student_record.h"
#include "util/error.h"
#include "util/regular_file.h"
#include "util/sodium_ready.h"

namespace generatesheet::cli {

namespace {

namespace fs = std::filesystem;

// The name the batch gives a student's results file.
constexpr char kResultsSuffix[] = ".results.json";

// A listed path that could reach outside the folder, or that a system call
// would read only in part, is never opened.
bool InsideFolder(const std::string& path) {
  if (path.empty() || path.front() == '/' || path.find('\0') != std::string::npos) return false;
  for (const fs::path& part : fs::path(path)) {
    if (part == ".." || part == ".") return false;
  }
  return true;
}

// The manifest's own hash: SHA-256 of `text` without the value of its
// first field; nullopt when it has no such field.
std::optional<std::string> SelfHashOf(const std::string& text, std::string& recorded) {
  const size_t start = text.find(kSelfHashField);
  if (start == std::string::npos) return std::nullopt;
  const size_t value = start + std::char_traits<char>::length(kSelfHashField);
  const size_t end = text.find('"', value);
  if (end == std::string::npos) return std::nullopt;
  recorded = text.substr(value, end - value);
  EnsureSodiumReady();
  crypto_hash_sha256_state state;
  crypto_hash_sha256_init(&state);
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  crypto_hash_sha256_update(&state, bytes, value);
  crypto_hash_sha256_update(&state, bytes + end, text.size() - end);
  unsigned char hash[crypto_hash_sha256_BYTES];
  crypto_hash_sha256_final(&state, hash);
  return Hex(hash, sizeof hash);
}

void CheckSignature(const std::string& folder, const std::string& text,
                    const std::optional<std::string>& public_key, ArchiveCheck& check) {
  const std::string path = folder + kArchiveSignatureName;
  std::error_code ec;
  const bool present = fs::exists(fs::symlink_status(path, ec));
  if (!public_key) {
    if (present) check.notes.push_back("未给出 --public-key，签名未检查：" + PrintableName(path));
    return;
  }
  const SigningPublicKey key = ReadSigningPublicKey(*public_key);
  check.signature_checked = true;
  if (!present) {
    check.findings.push_back("缺少签名：" + PrintableName(path));
    return;
  }
  std::string signature;
  try {
    signature = ReadRegularFile(path, 4096);
  } catch (const std::exception& e) {
    check.findings.push_back(std::string("签名无法读取：") + PrintableName(e.what()));
    return;
  }
  if (!SignatureMatches(text, signature, key)) {
    check.findings.push_back("签名不符（存档清单被改动，或签名用的不是这把密钥）：" +
                             PrintableName(path));
  }
}

void CheckFiles(const std::string& folder, const FolderContents& contents,
                const std::map<std::string, FileDigest>& listed, ArchiveCheck& check) {
  for (const auto& [path, expected] : listed) {
    if (!std::binary_search(contents.files.begin(), contents.files.end(), path)) {
      check.findings.push_back("缺失：" + PrintableName(path));
      continue;
    }
    try {
      const FileDigest actual = DigestOfFile(folder + path);
      if (actual.size != expected.size || actual.sha256 != expected.sha256) {
        check.findings.push_back("已改动：" + PrintableName(path));
      }
    } catch (const std::exception& e) {
      check.findings.push_back(std::string("无法读取：") + PrintableName(e.what()));
    }
  }
  for (const std::string& path : contents.files) {
    if (listed.count(path) == 0) check.findings.push_back("多出：" + PrintableName(path));
  }
  for (const std::string& path : contents.others) {
    check.findings.push_back("多出：" + PrintableName(path) + "（不是普通文件）");
  }
}

}  // namespace

size_t ManifestSizeCap(const std::string& folder, const FolderContents& contents) {
  size_t cap = kManifestSizeFloor;
  for (const std::string& path : contents.files) {
    cap += kManifestBytesPerFile + kManifestBytesPerNameByte * path.size();
    // A student's entry copies the strings of the student's results file.
    if (path.ends_with(kResultsSuffix) && path.find('/') == std::string::npos) {
      std::error_code ec;
      const std::uintmax_t size = fs::file_size(folder + path, ec);
      if (!ec) cap += kManifestBytesPerFile + 2 * std::min<std::uintmax_t>(size, kMaxRecordBytes);
    }
  }
  return cap;
}

ArchiveCheck CheckArchive(const std::string& folder, const std::optional<std::string>& public_key) {
  const std::string where = PrintableName(folder + kArchiveManifestName);
  FolderContents contents;
  try {
    contents = ListFolder(folder);
  } catch (const fs::filesystem_error& e) {
    throw SystemError("无法列出文件夹", PrintableName(e.path1().string()), e.code().value());
  }
  std::string text;
  try {
    ReadRegularFile(folder + kArchiveManifestName, ManifestSizeCap(folder, contents), text);
  } catch (const Error& e) {
    throw Error(std::string("无法读取存档清单：") + PrintableName(e.what()));
  }
  // The bytes are checked before anything in them is believed.
  ArchiveCheck check;
  std::string recorded;
  const std::optional<std::string> self_hash = SelfHashOf(text, recorded);
  if (!self_hash || *self_hash != recorded) {
    check.findings.push_back("存档清单已被改动（自身散列不符）：" + where);
  }
  CheckSignature(folder, text, public_key, check);
  ManifestListing listing =
      ReadManifestListing(text, where, contents.files.size() + kManifestMissingFiles);
  text = std::string();  // the listing is all that is needed from here on
  for (const auto& [path, digest] : listing.files) {
    if (!InsideFolder(path)) {
      throw Error("存档清单中的路径指向文件夹之外：" + where + "：" + PrintableName(path));
    }
  }
  check.files = listing.files.size();
  CheckFiles(folder, contents, listing.files, check);
  return check;
}

}  // namespace generatesheet::cli
