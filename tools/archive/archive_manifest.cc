#include "tools/archive/archive_manifest.h"

#include <fcntl.h>
#include <nettle/sha2.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <exception>
#include <filesystem>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>

#include "generatesheet/version.h"
#include "tools/archive/file_name_text.h"
#include "tools/archive/signing_key.h"
#include "tools/archive/summary_files_lock.h"
#include "tools/job/output_files.h"
#include "tools/job/student_record.h"
#include "util/base64.h"
#include "util/error.h"
#include "util/file_descriptor.h"
#include "util/file_util.h"
#include "util/leftover_files.h"
#include "util/parallel_for.h"
#include "util/utf8.h"

namespace generatesheet::cli {

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

// nettle's SHA-256 uses the processor's SHA instructions where it has them.
std::string FinalHex(sha256_ctx& state) {
  unsigned char hash[SHA256_DIGEST_SIZE];
  sha256_digest(&state, sizeof hash, hash);
  return Hex(hash, sizeof hash);
}

std::string Sha256OfBytes(std::string_view bytes) {
  sha256_ctx state;
  sha256_init(&state);
  sha256_update(&state, bytes.size(), reinterpret_cast<const std::uint8_t*>(bytes.data()));
  return FinalHex(state);
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
  kinds[kCardsPdfName] = "cards_pdf";
  for (const Json& student : students) {
    for (const char* kind : {"page", "results", "pdf"}) {
      if (student[kind].is_string()) kinds[student[kind].get<std::string>()] = kind;
    }
  }
  // A card never takes the name of another file of the batch.
  for (const Json& student : students) {
    if (student["card"].is_string()) kinds.emplace(student["card"].get<std::string>(), "card");
  }
  return kinds;
}

// The package's hash as the batch took it when the page was made, kept in
// the results file; null when there is none (no page made, a record of an
// earlier version) or it is no hash.  The package itself is never read
// here: a results file is no reason to read, and publish the hash of,
// whatever path it names.
Json PackageHash(const StudentRecord& record) {
  const std::string& hash = record.package_sha256;
  const bool is_hash = hash.size() == 64 && std::all_of(hash.begin(), hash.end(), [](char c) {
                         return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
                       });
  return is_hash ? Json(hash) : Json(nullptr);
}

bool Gone(const std::string& path) {
  std::error_code ec;
  return !fs::exists(fs::symlink_status(path, ec));
}

// A results file as the manifest reads it, once: the student's entry
// (none when it cannot be read), and the digest of the bytes read, so the
// file is not read again to be listed.
struct ResultsFile {
  std::string name;  // relative to the folder
  std::optional<FileDigest> digest;
  std::optional<Json> student;
  std::string error;  // why there is no student, "" when removed meanwhile
};

Json StudentEntry(const StudentRecord& record, const std::string& results) {
  Json student = {{"student_id", record.student_id},
                  {"student_name", record.student_name},
                  {"subject", record.subject},
                  {"state", OutcomeName(record.state)},
                  {"page", record.page},
                  {"results", results},
                  {"pdf", PdfPathFor(record.page)},
                  {"card", CardFileName(record.page)},
                  {"package", record.package},
                  {"package_sha256", PackageHash(record)}};
  if (record.page.empty()) {
    student["page"] = nullptr;
    student["card"] = nullptr;
  }
  // A PDF beside a page made without one is not the page's.
  if (record.options && !record.options->pdf) student["pdf"] = nullptr;
  return student;
}

void ReadResultsFile(const std::string& path, ResultsFile& file) {
  std::optional<std::string> bytes;
  try {
    file.student = StudentEntry(ReadStudentRecord(path, &bytes), file.name);
  } catch (const std::exception& e) {
    // Removed meanwhile by a batch running the student again.
    if (!Gone(path)) file.error = e.what();
  }
  if (bytes) file.digest = FileDigest{bytes->size(), Sha256OfBytes(*bytes)};
}

// Every results file of the folder, read on all cores.
std::vector<ResultsFile> ReadResultsFiles(const std::string& folder) {
  const std::vector<std::string> paths = FindStudentRecords(folder).records;
  std::vector<ResultsFile> files(paths.size());
  ParallelFor(paths.size(), [&](size_t i) {
    files[i].name = fs::path(paths[i]).filename().string();
    ReadResultsFile(paths[i], files[i]);
  });
  return files;
}

// One entry per readable results file; the others are files like any other.
Json Students(const std::vector<ResultsFile>& results) {
  Json students = Json::array();
  for (const ResultsFile& file : results) {
    if (file.student) {
      students.push_back(*file.student);
    } else if (!file.error.empty()) {
      std::cerr << "存档清单未收录此结果文件的学生：" << PrintableName(file.error) << "\n";
    }
  }
  return students;
}

// The digest of each file, on all cores; a results file's from its read.
std::vector<std::optional<FileDigest>> Digests(const std::string& folder,
                                               const FolderContents& contents,
                                               const std::vector<ResultsFile>& results) {
  std::map<std::string_view, const FileDigest*> read;
  for (const ResultsFile& file : results) {
    if (file.digest) read.emplace(file.name, &*file.digest);
  }
  std::vector<std::optional<FileDigest>> digests(contents.files.size());
  std::vector<std::exception_ptr> failures(contents.files.size());
  ParallelFor(contents.files.size(), [&](size_t i) {
    const auto known = read.find(contents.files[i]);
    if (known != read.end()) {
      digests[i] = *known->second;
      return;
    }
    try {
      digests[i] = DigestOfFile(folder + contents.files[i]);
    } catch (...) {
      // Renamed or removed since the folder was listed: a file another
      // batch in this folder is writing, listed by the manifest it writes.
      // Asked at once: that batch may put a file of the name back.
      if (!Gone(folder + contents.files[i])) failures[i] = std::current_exception();
    }
  });
  for (const std::exception_ptr& failure : failures) {
    if (failure) std::rethrow_exception(failure);
  }
  return digests;
}

Json Files(const std::string& folder, const FolderContents& contents,
           const std::vector<ResultsFile>& results_files, Json& students) {
  const std::map<std::string, std::string> kinds = KindsOf(students);
  const std::vector<std::optional<FileDigest>> digests = Digests(folder, contents, results_files);
  Json files = Json::array();
  std::vector<std::string> listed;
  for (size_t i = 0; i < contents.files.size(); ++i) {
    if (!digests[i]) continue;  // gone since the folder was listed
    const std::string& path = contents.files[i];
    const FileDigest& digest = *digests[i];
    listed.push_back(path);
    const auto kind = kinds.find(path);
    Json file = {{"path", path}};
    // JSON text is UTF-8: any other name is kept exactly beside a form to
    // read (the layout of a UTF-8 name's entry is as it always was).
    if (!IsValidUtf8(path)) {
      file["path"] = PrintableName(path);
      file["path_base64"] = EncodeBase64(path);
    }
    file["kind"] = kind == kinds.end() ? "other" : kind->second;
    file["size"] = digest.size;
    file["sha256"] = digest.sha256;
    files.push_back(std::move(file));
  }
  for (Json& student : students) {
    // A PDF or a card is named only when it is listed (the files are sorted).
    for (const char* kind : {"pdf", "card"}) {
      if (student[kind].is_string() &&
          !std::binary_search(listed.begin(), listed.end(), student[kind].get<std::string>())) {
        student[kind] = nullptr;
      }
    }
    // Only a results file's own name can be other than UTF-8.
    const std::string results = student["results"];
    if (!IsValidUtf8(results)) student["results"] = PrintableName(results);
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
  sha256_ctx state;
  sha256_init(&state);
  FileDigest digest;
  std::vector<unsigned char> buffer(1 << 16);
  for (;;) {
    const size_t n = ReadUpTo(fd.get(), buffer.data(), buffer.size(), path);
    sha256_update(&state, n, buffer.data());
    digest.size += n;
    if (n < buffer.size()) break;
  }
  digest.sha256 = FinalHex(state);
  return digest;
}

std::string Sha256Hex(const std::string& bytes) { return Sha256OfBytes(bytes); }

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
    std::cerr << "存档清单未收录（不是普通文件）：" << PrintableName(folder + other) << "\n";
  }
  const std::vector<ResultsFile> results = ReadResultsFiles(folder);
  Json students = Students(results);
  Json files = Files(folder, contents, results, students);
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
