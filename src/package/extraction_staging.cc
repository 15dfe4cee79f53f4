#include "package/extraction_staging.h"

#include <fcntl.h>
#include <stdio.h>  // renameat2
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "util/error.h"
#include "util/leftover_files.h"

namespace generatesheet {

namespace {

constexpr int kDirectoryFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

std::string StagedName(std::size_t index) { return std::to_string(index); }

std::string RandomSuffix() {
  static constexpr char kHex[] = "0123456789abcdef";
  std::random_device random;
  std::string suffix;
  for (std::size_t i = 0; i < kStagingSuffixLength; ++i) suffix += kHex[random() % 16];
  return suffix;
}

std::string LowerExtension(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return "";
  std::string extension = name.substr(dot);
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return extension;
}

// The folder and the name of a native path.
std::pair<std::string, std::string> SplitPath(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

std::string JoinPath(const std::vector<std::string>& components, std::size_t count) {
  std::string path;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) path += '/';
    path += components[i];
  }
  return path;
}

}  // namespace

ExtractionStaging::~ExtractionStaging() { Discard(); }

void ExtractionStaging::Discard() {
  current_fd_.Reset();
  current_entry_ = nullptr;
  for (std::size_t index : staged_) unlinkat(staging_fd_.get(), StagedName(index).c_str(), 0);
  staged_.clear();
  staging_fd_.Reset();
  if (!staging_name_.empty()) unlinkat(destination_fd_.get(), staging_name_.c_str(), AT_REMOVEDIR);
  staging_name_.clear();
}

ExtractionStatus ExtractionStaging::Open(const std::string& destination, const std::string& archive,
                                         const std::vector<KeptFile>& kept) {
  destination_ = destination;
  archive_ = archive;
  if (destination.empty()) {
    return ExtractionStatus::Failure(ZipResult::kWriteFailed, "未指定解压的目标文件夹");
  }
  destination_fd_.Reset(::open(destination.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!destination_fd_.valid()) {
    return ExtractionStatus::Failure(
        ZipResult::kWriteFailed,
        SystemError("无法使用解压的目标文件夹", destination, errno).what());
  }
  // The package, and the packages beside it.
  NoteKept(KeptFile{archive, "答卷包本身", true}, "文件夹中已有的答卷包（.zip 文件）");
  for (const KeptFile& file : kept) NoteKept(file);
  return ExtractionStatus::Ok();
}

void ExtractionStaging::NoteKept(const KeptFile& file, const std::string& kind) {
  if (file.path.empty()) return;
  auto [folder, name] = SplitPath(file.path);
  struct stat folder_info;
  // A file whose folder does not exist cannot be reached by an entry's
  // rename, which never creates folders outside the destination.
  if (name.empty() || ::stat(folder.c_str(), &folder_info) != 0) return;
  Kept kept;
  kept.folder_device = folder_info.st_dev;
  kept.folder_inode = folder_info.st_ino;
  kept.name = name;
  struct stat info;
  if (::stat(file.path.c_str(), &info) == 0) {
    kept.exists = true;
    kept.device = info.st_dev;
    kept.inode = info.st_ino;
  }
  if (file.same_kind) kept.extension = LowerExtension(name);
  kept.path = file.path;
  kept.role = file.role;
  kept.kind = !kind.empty() ? kind : file.role + "所在文件夹中已有的 " + kept.extension + " 文件";
  kept_.push_back(std::move(kept));
}

ExtractionStatus ExtractionStaging::OpenStagingFolder() {
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::string name = kStagingFolderPrefix + RandomSuffix();
    if (mkdirat(destination_fd_.get(), name.c_str(), 0700) == 0) {
      staging_name_ = name;
      staging_fd_.Reset(openat(destination_fd_.get(), name.c_str(), kDirectoryFlags));
      if (staging_fd_.valid() && HoldTemporary(staging_fd_.get())) return ExtractionStatus::Ok();
      break;
    }
    if (errno != EEXIST) break;
  }
  int error = errno;
  return ExtractionStatus::Failure(
      ZipResult::kWriteFailed,
      SystemError("无法在解压的目标文件夹中建立临时文件夹", destination_, error).what());
}

std::string ExtractionStaging::TargetPath(const ManifestEntry& entry) const {
  return destination_ + "/" + JoinPath(entry.components, entry.components.size());
}

ExtractionStatus ExtractionStaging::WriteFailure(const ManifestEntry& entry, int error) const {
  return ExtractionStatus::Failure(
      ZipResult::kWriteFailed, SystemError("无法写入解压的文件", TargetPath(entry), error).what());
}

ExtractionStatus ExtractionStaging::Begin(std::size_t index, const ManifestEntry& entry) {
  if (!staging_fd_.valid()) {
    ExtractionStatus status = OpenStagingFolder();
    if (!status.ok()) return status;
  }
  current_fd_.Reset(openat(staging_fd_.get(), StagedName(index).c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
  if (!current_fd_.valid()) return WriteFailure(entry, errno);
  staged_.insert(index);
  current_entry_ = &entry;
  return ExtractionStatus::Ok();
}

ExtractionStatus ExtractionStaging::Append(const char* data, std::size_t size) {
  const int error = WriteFully(current_fd_.get(), std::string_view(data, size));
  return error == 0 ? ExtractionStatus::Ok() : WriteFailure(*current_entry_, error);
}

ExtractionStatus ExtractionStaging::Finish(std::optional<std::int64_t> mtime_seconds) {
  if (mtime_seconds) {
    // The archive's time stamp is kept where the file system allows; a
    // refusal costs nothing but the date.
    struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(*mtime_seconds), 0}};
    futimens(current_fd_.get(), times);
  }
  if (int error = current_fd_.Close(); error != 0) return WriteFailure(*current_entry_, error);
  current_entry_ = nullptr;
  return ExtractionStatus::Ok();
}

ExtractionStatus ExtractionStaging::CheckTargets(const std::vector<ManifestEntry>& entries) const {
  for (const ManifestEntry& entry : entries) {
    bool kept_existing = false;
    ExtractionStatus status = CheckTarget(entry, &kept_existing);
    if (!status.ok() && !kept_existing) return status;
  }
  return ExtractionStatus::Ok();
}

ExtractionStatus ExtractionStaging::Commit(const std::vector<ManifestEntry>& entries) {
  already_there_.clear();
  for (std::size_t index = 0; index < entries.size(); ++index) {
    bool kept_existing = false;
    ExtractionStatus status = CheckTarget(entries[index], &kept_existing);
    if (status.ok()) continue;
    if (!kept_existing || !SameAsExisting(index, entries[index])) return status;
    already_there_.insert(index);
  }
  for (std::size_t index = 0; index < entries.size(); ++index) {
    if (already_there_.contains(index)) continue;  // its staged copy goes with the staging
    ExtractionStatus status = Place(index, entries[index]);
    if (!status.ok()) return status;
  }
  return ExtractionStatus::Ok();
}

namespace {

// Whether the two open files hold the same bytes.
bool SameBytes(int a, int b) {
  struct stat info_a, info_b;
  if (fstat(a, &info_a) != 0 || fstat(b, &info_b) != 0 || info_a.st_size != info_b.st_size) {
    return false;
  }
  constexpr std::size_t kChunk = 64 * 1024;
  std::string chunk_a(kChunk, '\0'), chunk_b(kChunk, '\0');
  for (off_t at = 0; at < info_a.st_size;) {
    const ssize_t got_a = pread(a, chunk_a.data(), kChunk, at);
    const ssize_t got_b = pread(b, chunk_b.data(), kChunk, at);
    if (got_a <= 0 || got_a != got_b) return false;
    if (chunk_a.compare(0, got_a, chunk_b, 0, got_b) != 0) return false;
    at += got_a;
  }
  return true;
}

}  // namespace

bool ExtractionStaging::SameAsExisting(std::size_t index, const ManifestEntry& entry) const {
  if (entry.kind != EntryKind::kFile || !staged_.contains(index)) return false;
  const std::string path = JoinPath(entry.components, entry.components.size());
  const FileDescriptor existing(
      openat(destination_fd_.get(), path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  const FileDescriptor staged(
      openat(staging_fd_.get(), StagedName(index).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  return existing.valid() && staged.valid() && SameBytes(existing.get(), staged.get());
}

ExtractionStatus ExtractionStaging::CheckTarget(const ManifestEntry& entry,
                                                bool* kept_existing) const {
  const std::vector<std::string>& parts = entry.components;
  const std::string folder = parts.size() > 1 ? JoinPath(parts, parts.size() - 1) : ".";
  for (std::size_t i = 0; i < parts.size(); ++i) {
    std::string path = JoinPath(parts, i + 1);
    struct stat info;
    if (fstatat(destination_fd_.get(), path.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno != ENOENT) return WriteFailure(entry, errno);
      // Nothing below it either; only the last part can be a kept file.
      if (i + 1 == parts.size() && entry.kind == EntryKind::kFile) {
        return CheckKept(entry, folder, nullptr, kept_existing);
      }
      return ExtractionStatus::Ok();
    }
    bool needs_folder = i + 1 < parts.size() || entry.kind == EntryKind::kDirectory;
    if (needs_folder && !S_ISDIR(info.st_mode)) {
      return ExtractionStatus::Failure(
          ZipResult::kWriteFailed,
          "无法建立解压的文件夹：" + destination_ + "/" + path + "（已有同名的文件或链接）");
    }
    if (!needs_folder && S_ISDIR(info.st_mode)) {
      return ExtractionStatus::Failure(
          ZipResult::kWriteFailed,
          "无法写入解压的文件：" + TargetPath(entry) + "（已有同名的文件夹）");
    }
    if (!needs_folder) return CheckKept(entry, folder, &info, kept_existing);
  }
  return ExtractionStatus::Ok();
}

ExtractionStatus ExtractionStaging::CheckKept(const ManifestEntry& entry, const std::string& folder,
                                              const struct stat* existing,
                                              bool* kept_existing) const {
  if (kept_.empty()) return ExtractionStatus::Ok();
  struct stat folder_info;
  if (fstatat(destination_fd_.get(), folder.c_str(), &folder_info, AT_SYMLINK_NOFOLLOW) != 0) {
    return ExtractionStatus::Ok();  // a folder still to be made holds nothing kept
  }
  const std::string& name = entry.components.back();
  const Kept* hit = nullptr;
  for (const Kept& kept : kept_) {
    const bool same_folder =
        folder_info.st_dev == kept.folder_device && folder_info.st_ino == kept.folder_inode;
    if ((existing != nullptr && kept.exists && existing->st_dev == kept.device &&
         existing->st_ino == kept.inode) ||
        (same_folder && name == kept.name)) {
      const std::string what = kept.role + "：" + kept.path;  // the file itself
      *kept_existing = existing != nullptr && S_ISREG(existing->st_mode);
      return ExtractionStatus::Failure(ZipResult::kUnsafeEntry, Refusal(entry, what));
    }
    // A new file of a kept kind replaces nothing.
    if (hit == nullptr && existing != nullptr && same_folder && IsOfKind(kept, name)) hit = &kept;
  }
  if (hit == nullptr) return ExtractionStatus::Ok();
  *kept_existing = S_ISREG(existing->st_mode);
  return ExtractionStatus::Failure(ZipResult::kUnsafeEntry,
                                   Refusal(entry, hit->kind + "：" + TargetPath(entry)));
}

std::string ExtractionStaging::Refusal(const ManifestEntry& entry, const std::string& what) const {
  return "答卷包含有不安全的条目，整个答卷包未解压：" + archive_ + "：" + entry.name +
         "（条目会覆盖" + what + "）";
}

bool ExtractionStaging::IsOfKind(const Kept& kept, const std::string& name) {
  return !kept.extension.empty() && LowerExtension(name) == kept.extension;
}

bool ExtractionStaging::InKeptKind(int folder_fd, const std::string& name) const {
  struct stat folder_info;
  if (fstat(folder_fd, &folder_info) != 0) return true;  // cannot tell: the safe answer
  for (const Kept& kept : kept_) {
    if (folder_info.st_dev == kept.folder_device && folder_info.st_ino == kept.folder_inode &&
        IsOfKind(kept, name)) {
      return true;
    }
  }
  return false;
}

ExtractionStatus ExtractionStaging::Place(std::size_t index, const ManifestEntry& entry) {
  const std::vector<std::string>& parts = entry.components;
  if (parts.empty()) return ExtractionStatus::Ok();  // the destination itself
  std::size_t folders = entry.kind == EntryKind::kDirectory ? parts.size() : parts.size() - 1;
  FileDescriptor folder;  // invalid while the destination itself is meant
  for (std::size_t i = 0; i < folders; ++i) {
    int parent = folder.valid() ? folder.get() : destination_fd_.get();
    if (mkdirat(parent, parts[i].c_str(), 0777) != 0 && errno != EEXIST) {
      return WriteFailure(entry, errno);
    }
    FileDescriptor next(openat(parent, parts[i].c_str(), kDirectoryFlags));
    if (!next.valid()) return WriteFailure(entry, errno);
    folder = std::move(next);
  }
  if (entry.kind == EntryKind::kDirectory) return ExtractionStatus::Ok();

  int parent = folder.valid() ? folder.get() : destination_fd_.get();
  if (!MoveIntoPlace(index, parent, parts.back())) return WriteFailure(entry, errno);
  staged_.erase(index);
  return ExtractionStatus::Ok();
}

bool ExtractionStaging::MoveIntoPlace(std::size_t index, int folder_fd,
                                      const std::string& name) const {
  const std::string staged = StagedName(index);
  // A file of a kept kind did not exist when the targets were checked; one
  // that appeared since (a package copied in meanwhile) is not replaced.
  if (InKeptKind(folder_fd, name)) {
    if (renameat2(staging_fd_.get(), staged.c_str(), folder_fd, name.c_str(), RENAME_NOREPLACE) ==
        0) {
      return true;
    }
    // A file system without the flag gets the checks alone.
    if (errno != EINVAL && errno != ENOSYS) return false;
  }
  return renameat(staging_fd_.get(), staged.c_str(), folder_fd, name.c_str()) == 0;
}

}  // namespace generatesheet
