#include "package/archive_zip_component.h"

#include <exception>
#include <limits>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "package/archive_digest.h"
#include "package/extraction_archive_reader.h"
#include "package/extraction_manifest.h"
#include "package/extraction_staging.h"
#include "util/leftover_files.h"

namespace generatesheet {

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;

ExtractionStatus OverLimit(const std::string& archive, const std::string& entry,
                           const std::string& reason) {
  return ExtractionStatus::Failure(
      ZipResult::kLimitExceeded,
      "答卷包超出解压限制，整个答卷包未解压：" + archive + "：" + entry + "（" + reason + "）");
}

ExtractionStatus ArchiveChanged(const std::string& archive) {
  return ExtractionStatus::Failure(ZipResult::kBadEntry, "答卷包在解压过程中被改动：" + archive);
}

// Whether `produced` bytes from `packed` bytes read exceed `max_ratio`.
bool RatioExceeded(std::uint64_t produced, std::uint64_t packed, std::uint64_t max_ratio) {
  if (packed == 0) packed = 1;
  if (max_ratio != 0 && packed > std::numeric_limits<std::uint64_t>::max() / max_ratio) {
    return false;
  }
  return produced > max_ratio * packed;
}

}  // namespace

std::unique_ptr<ZipComponent> CreateArchiveZipComponent() {
  return std::make_unique<ArchiveZipComponent>();
}

std::unique_ptr<ZipComponent> CreateArchiveZipComponent(const ExtractionLimits& limits) {
  return std::make_unique<ArchiveZipComponent>(limits);
}

ArchiveZipComponent::ArchiveZipComponent(const ExtractionLimits& limits) : limits_(limits) {}

std::int16_t ArchiveZipComponent::Extract() {
  ExtractionStatus status;
  archive_sha256_.clear();
  filter_refused_ = false;
  std::string sha256;
  try {
    status = ExtractPackage(&sha256);
  } catch (const std::exception& e) {
    status = ExtractionStatus::Failure(
        ZipResult::kUnexpected, "解压答卷包时出错：" + archive_path_ + "（" + e.what() + "）");
  }
  last_description_ = status.description();
  if (status.ok()) archive_sha256_ = std::move(sha256);
  return static_cast<std::int16_t>(status.code());
}

ExtractionStatus ArchiveZipComponent::ExtractPackage(std::string* sha256) const {
  const std::string& archive = archive_path_;
  if (archive.empty()) {
    return ExtractionStatus::Failure(ZipResult::kArchiveUnreadable, "未指定答卷包的路径");
  }
  // A killed run may have left a staging folder or a decrypted database
  // here: nobody else may find them.
  if (!destination_.empty()) RemoveLeftoverTemporaries(destination_);
  ExtractionManifest manifest;
  ExtractionStatus status = Scan(archive, &manifest);
  if (!status.ok()) return status;

  ExtractionStaging staging;  // removes whatever it still holds when it goes
  status = staging.Open(destination_, archive, kept_files_);
  if (!status.ok()) return status;
  status = staging.CheckTargets(manifest.entries());
  if (!status.ok()) return status;
  status = Unpack(archive, manifest, &staging, sha256);
  if (!status.ok()) return status;
  return staging.Commit(manifest.entries());
}

ExtractionStatus ArchiveZipComponent::Scan(const std::string& archive,
                                           ExtractionManifest* manifest) const {
  ExtractionArchiveReader reader;
  ExtractionStatus status = reader.Open(archive, password_);
  std::uint64_t count = 0;
  while (status.ok()) {
    EntryHeader header;
    bool at_end = false;
    status = reader.Next(&header, &at_end);
    if (!status.ok() || at_end) break;
    if (++count > limits_.max_entries) {
      return OverLimit(archive, header.name,
                       "条目数超过 " + std::to_string(limits_.max_entries) + " 个");
    }
    if (!header.name_known) {
      return ExtractionStatus::Failure(
          ZipResult::kUnsafeEntry, "答卷包含有无法识别名称的条目，整个答卷包未解压：" + archive +
                                       "：第 " + std::to_string(count) + " 个条目");
    }
    if (auto refusal = manifest->Add(header.name, header.kind)) {
      return ExtractionStatus::Failure(
          ZipResult::kUnsafeEntry, "答卷包含有不安全的条目，整个答卷包未解压：" + archive + "：" +
                                       header.name + "（" + *refusal + "）");
    }
  }
  return status;
}

ExtractionStatus ArchiveZipComponent::Unpack(const std::string& archive,
                                             const ExtractionManifest& manifest,
                                             ExtractionStaging* staging,
                                             std::string* sha256) const {
  ArchiveDigest digest;
  ExtractionArchiveReader reader;
  ExtractionStatus status = reader.Open(archive, password_, &digest);
  if (!status.ok()) return status;
  const std::vector<ManifestEntry>& entries = manifest.entries();
  std::uint64_t total_bytes = 0;
  for (std::size_t index = 0;; ++index) {
    EntryHeader header;
    bool at_end = false;
    status = reader.Next(&header, &at_end);
    if (!status.ok()) return status;
    if (at_end && index != entries.size()) return ArchiveChanged(archive);
    if (at_end) {
      *sha256 = digest.Finish(reader.file());
      return status;
    }
    // The file is read anew: it must still hold the entries checked above.
    if (index >= entries.size() || header.name != entries[index].name ||
        header.kind != entries[index].kind) {
      return ArchiveChanged(archive);
    }
    if (header.kind == EntryKind::kDirectory) continue;

    status = staging->Begin(index, entries[index]);
    if (status.ok()) status = UnpackFile(archive, entries[index], &reader, staging, &total_bytes);
    // A filtered file is a new one made from the entry, dated when made.
    if (status.ok()) {
      status = staging->Finish(Filters(entries[index]) ? std::nullopt : header.mtime_seconds);
    }
    if (!status.ok()) return status;
  }
}

ExtractionStatus ArchiveZipComponent::UnpackFile(const std::string& archive,
                                                 const ManifestEntry& entry,
                                                 ExtractionArchiveReader* reader,
                                                 ExtractionStaging* staging,
                                                 std::uint64_t* total_bytes) const {
  std::vector<char> buffer(kBufferSize);
  const std::unique_ptr<EntryFilter> filter = FilterFor(entry);
  const std::int64_t start = reader->BytesConsumed();
  std::uint64_t produced = 0;
  for (;;) {
    std::ptrdiff_t n = reader->Read(buffer.data(), buffer.size());
    if (n == 0) return Staged(staging, filter.get(), entry, nullptr, 0, true);
    if (n < 0) {
      return ExtractionStatus::Failure(
          ZipResult::kBadEntry, "无法解压答卷包的条目（密码错误或数据损坏）：" + archive + "：" +
                                    entry.name + "（" + reader->ErrorText("条目数据无法读取") +
                                    "）");
    }
    // Only the bytes actually produced count; the sizes the archive
    // declares are not trusted.
    produced += static_cast<std::uint64_t>(n);
    *total_bytes += static_cast<std::uint64_t>(n);
    if (*total_bytes > limits_.max_total_bytes) {
      return OverLimit(archive, entry.name,
                       "解压后的数据总量超过 " + std::to_string(limits_.max_total_bytes) + " 字节");
    }
    if (produced > limits_.ratio_floor_bytes) {
      std::int64_t packed = reader->BytesConsumed() - start;
      if (RatioExceeded(produced, packed > 0 ? static_cast<std::uint64_t>(packed) : 0,
                        limits_.max_ratio)) {
        return OverLimit(
            archive, entry.name,
            "解压后与压缩时的大小之比超过 " + std::to_string(limits_.max_ratio) + ":1");
      }
    }
    ExtractionStatus status =
        Staged(staging, filter.get(), entry, buffer.data(), static_cast<std::size_t>(n), false);
    if (!status.ok()) return status;
  }
}

bool ArchiveZipComponent::Filters(const ManifestEntry& entry) const {
  return make_filter_ && entry.components.size() == 1 && entry.components[0] == filter_name_;
}

std::unique_ptr<EntryFilter> ArchiveZipComponent::FilterFor(const ManifestEntry& entry) const {
  return Filters(entry) ? make_filter_() : nullptr;
}

// Stages `size` more bytes of `entry` (the end of it when `last`), through
// `filter` when there is one.
ExtractionStatus ArchiveZipComponent::Staged(ExtractionStaging* staging, EntryFilter* filter,
                                             const ManifestEntry& entry, const char* data,
                                             std::size_t size, bool last) const {
  if (filter == nullptr) return last ? ExtractionStatus::Ok() : staging->Append(data, size);
  std::string out;
  if (!(last ? filter->Finish(&out) : filter->Feed(data, size, &out))) {
    filter_refused_ = true;
    return ExtractionStatus::Failure(
        ZipResult::kBadEntry, "答卷包的条目无法按要求转换：" + archive_path_ + "：" + entry.name);
  }
  return out.empty() ? ExtractionStatus::Ok() : staging->Append(out.data(), out.size());
}

}  // namespace generatesheet
