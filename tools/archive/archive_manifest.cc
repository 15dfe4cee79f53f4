#include "tools/archive/archive_manifest.h"

#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>

#include "generatesheet/version.h"
#include "tools/archive/signing_key.h"
#include "tools/archive/sodium_ready.h"
#include "tools/archive/summary_files_lock.h"
#include "tools/batch/batch_plan.h"
#include "tools/batch/student_record.h"
#include "tools/pdf/class_pdf.h"
#include "tools/pdf/pdf_printer.h"
#include "tools/summary/class_summary.h"
#include "util/error.h"
#include "util/file_descriptor.h"
#include "util/file_util.h"
#include "util/leftover_files.h"

namespace generatesheet::cli {

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

std::string FinalHex(crypto_hash_sha256_state& state) {
  unsigned char hash[crypto_hash_sha256_BYTES];
  crypto_hash_sha256_final(&state, hash);
  return Hex(hash, sizeof hash);
}

std::string UtcNow() {
  const std::time_t now = std::time(nullptr);
  struct tm utc {};
  ::gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

// What each file of the folder is to the batch; files not named here are
// "other".
std::map<std::string, std::string> KindsOf(const Json& students) {
  std::map<std::string, std::string> kinds;
  for (const char* name : kSummaryFiles) kinds[name] = "summary";
  kinds[kClassPdfName] = "class_pdf";
  for (const Json& student : students) {
    for (const char* kind : {"page", "results", "pdf"}) {
      if (student[kind].is_string()) kinds[student[kind].get<std::string>()] = kind;
    }
  }
  return kinds;
}

// The package's hash as the record took it when the page was made.  A
// record of an earlier version has none: then the package's hash now, if it
// has not changed since the record was written.  Null otherwise.
Json PackageHash(const StudentRecord& record, const std::string& record_path) {
  if (!record.package_sha256.empty()) return record.package_sha256;
  if (record.package.empty() || record.page.empty() ||
      !PageIsNewerThanPackage(record_path, record.package)) {
    return nullptr;
  }
  const std::string hash = PackageSha256(record.package);
  return hash.empty() ? Json(nullptr) : Json(hash);
}

bool Gone(const std::string& path) {
  std::error_code ec;
  return !fs::exists(fs::symlink_status(path, ec));
}

// One entry per readable results file; the others are files like any other.
Json Students(const std::string& folder) {
  Json students = Json::array();
  for (const std::string& path : FindStudentRecords(folder).records) {
    StudentRecord record;
    try {
      record = ReadStudentRecord(path);
    } catch (const std::exception& e) {
      // Removed meanwhile by a batch running the student again.
      if (Gone(path)) continue;
      std::cerr << "存档清单未收录此结果文件的学生：" << e.what() << "\n";
      continue;
    }
    const std::string results = fs::path(path).filename().string();
    const std::string pdf = PdfPathFor(record.page);
    Json student = {{"student_id", record.student_id},
                    {"student_name", record.student_name},
                    {"subject", record.subject},
                    {"state", OutcomeName(record.state)},
                    {"page", record.page},
                    {"results", results},
                    {"pdf", pdf},
                    {"package", record.package},
                    {"package_sha256", PackageHash(record, path)}};
    if (record.page.empty()) student["page"] = nullptr;
    students.push_back(std::move(student));
  }
  return students;
}

Json Files(const std::string& folder, const FolderContents& contents, Json& students) {
  const std::map<std::string, std::string> kinds = KindsOf(students);
  Json files = Json::array();
  std::vector<std::string> listed;
  for (const std::string& path : contents.files) {
    FileDigest digest;
    try {
      digest = DigestOfFile(folder + path);
    } catch (const Error&) {
      // Renamed or removed since the folder was listed: a file another
      // batch in this folder is writing, listed by the manifest it writes.
      if (Gone(folder + path)) continue;
      throw;
    }
    listed.push_back(path);
    const auto kind = kinds.find(path);
    files.push_back({{"path", path},
                     {"kind", kind == kinds.end() ? "other" : kind->second},
                     {"size", digest.size},
                     {"sha256", digest.sha256}});
  }
  // A PDF is named only when it is there (the files are sorted).
  for (Json& student : students) {
    if (!std::binary_search(listed.begin(), listed.end(), student["pdf"].get<std::string>())) {
      student["pdf"] = nullptr;
    }
  }
  return files;
}

}  // namespace

FileDigest DigestOfFile(const std::string& path) {
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  if (fd.get() < 0) throw SystemError("无法读取文件", path, errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) throw SystemError("无法读取文件", path, errno);
  if (!S_ISREG(st.st_mode)) throw Error("不是普通文件：" + path);
  EnsureSodiumReady();
  crypto_hash_sha256_state state;
  crypto_hash_sha256_init(&state);
  FileDigest digest;
  std::vector<unsigned char> buffer(1 << 16);
  for (;;) {
    const size_t n = ReadUpTo(fd.get(), buffer.data(), buffer.size(), path);
    crypto_hash_sha256_update(&state, buffer.data(), n);
    digest.size += n;
    if (n < buffer.size()) break;
  }
  digest.sha256 = FinalHex(state);
  return digest;
}

std::string Sha256Hex(const std::string& bytes) {
  EnsureSodiumReady();
  crypto_hash_sha256_state state;
  crypto_hash_sha256_init(&state);
  crypto_hash_sha256_update(&state, reinterpret_cast<const unsigned char*>(bytes.data()),
                            bytes.size());
  return FinalHex(state);
}

std::string PackageSha256(const std::string& package) {
  try {
    return DigestOfFile(package).sha256;
  } catch (const std::exception&) {
    return "";
  }
}

FolderContents ListFolder(const std::string& folder) {
  FolderContents contents;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
    const std::string path = entry.path().lexically_relative(folder).generic_string();
    if (path == kArchiveManifestName || path == kArchiveSignatureName) continue;
    const fs::file_type type = entry.symlink_status().type();
    if (type == fs::file_type::regular) {
      contents.files.push_back(path);
    } else if (type != fs::file_type::directory) {
      contents.others.push_back(path);
    }
  }
  std::sort(contents.files.begin(), contents.files.end());
  std::sort(contents.others.begin(), contents.others.end());
  return contents;
}

bool BlankSelfHash(std::string& text, std::string& self_hash) {
  const size_t start = text.find(kSelfHashField);
  if (start == std::string::npos) return false;
  const size_t value = start + std::char_traits<char>::length(kSelfHashField);
  const size_t end = text.find('"', value);
  if (end == std::string::npos) return false;
  self_hash = text.substr(value, end - value);
  text.erase(value, end - value);
  return true;
}

namespace {

// The folder's files but those being written now: the summary files' lock,
// and temporaries another run holds (see util/leftover_files.h).
FolderContents SettledContents(const std::string& folder) {
  FolderContents contents = ListFolder(folder);
  std::erase_if(contents.files, [&](const std::string& path) {
    return path == kSummaryLockName ||
           (LooksLikeTemporaryFileName(fs::path(path).filename().string()) &&
            TemporaryInFlight(folder + path));
  });
  return contents;
}

}  // namespace

size_t WriteArchiveManifest(const std::string& folder, const std::string& signing_key) {
  const FolderContents contents = SettledContents(folder);
  for (const std::string& other : contents.others) {
    std::cerr << "存档清单未收录（不是普通文件）：" << folder << other << "\n";
  }
  Json students = Students(folder);
  Json files = Files(folder, contents, students);
  Json manifest = {{"manifest_sha256", ""},
                   {"format", kArchiveFormat},
                   {"generator", std::string("generate-sheet ") + Version()},
                   {"created", UtcNow()}};
  SigningPublicKey public_key{};
  if (!signing_key.empty()) {
    SignWithKeyFile(signing_key, "", public_key);  // the key is read before anything is written
    manifest["signing_public_key"] = Hex(public_key.data(), public_key.size());
  }
  manifest["files"] = std::move(files);
  manifest["students"] = std::move(students);

  std::string text = manifest.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
  const std::string self_hash = Sha256Hex(text);
  text.insert(text.find(kSelfHashField) + std::char_traits<char>::length(kSelfHashField),
              self_hash);
  const std::string signature_path = folder + kArchiveSignatureName;
  if (signing_key.empty()) {
    DeleteFileIfExists(signature_path);
    WriteFileAtomically(folder + kArchiveManifestName, text);
  } else {
    const std::string signature = SignWithKeyFile(signing_key, text, public_key);
    WriteFileAtomically(folder + kArchiveManifestName, text);
    WriteFileAtomically(signature_path, signature);
  }
  return contents.files.size();
}

std::string SigningKeyOption(const ParsedArgs& args) {
  if (!args.Has("sign")) return "";
  const std::string path = args.Require("sign");
  SigningPublicKey public_key;
  SignWithKeyFile(path, "", public_key);
  return path;
}

bool WriteArchiveManifestAfterWork(const std::string& folder, const std::string& signing_key) {
  try {
    WriteArchiveManifest(folder, signing_key);
    return true;
  } catch (const fs::filesystem_error& e) {
    std::cerr << "存档清单未写出："
              << SystemError("无法列出文件夹", e.path1().string(), e.code().value()).what() << "\n";
    return false;
  } catch (const std::exception& e) {
    std::cerr << "存档清单未写出：" << e.what() << "\n";
    return false;
  }
}

}  // namespace generatesheet::cli
