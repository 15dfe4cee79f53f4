#include "package/zip_directory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <set>
#include <string_view>
#include <vector>

#include "util/little_endian.h"

namespace generatesheet {

namespace {

constexpr std::size_t kEndRecordSize = 22;
constexpr std::size_t kMaxCommentSize = 0xFFFF;
constexpr std::size_t kCentralRecordSize = 46;
constexpr std::uint64_t kMaxDirectorySize = 16 << 20;
constexpr std::uint16_t kAesMethod = 99;
constexpr std::uint16_t kAesExtraField = 0x9901;

// The AES extra field of a central record: version, "AE", strength, method.
bool ParseAesField(std::string_view extra, AesZipEntry* entry) {
  while (extra.size() >= 4) {
    const auto* p = reinterpret_cast<const unsigned char*>(extra.data());
    const std::uint16_t id = Get16(p);
    const std::uint16_t size = Get16(p + 2);
    if (extra.size() - 4 < size) return false;
    if (id == kAesExtraField && size >= 7 && p[6] == 'A' && p[7] == 'E') {
      entry->vendor_version = Get16(p + 4);
      entry->strength = p[8];
      entry->method = Get16(p + 9);
      return true;
    }
    extra.remove_prefix(4 + size);
  }
  return false;
}

}  // namespace

bool ReadExactlyAt(int fd, std::uint64_t offset, unsigned char* out, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd, out + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

ZipDirectory ZipDirectory::Read(int fd) {
  ZipDirectory directory;
  struct stat info;
  if (::fstat(fd, &info) != 0 || info.st_size < static_cast<off_t>(kEndRecordSize)) {
    return directory;
  }
  const auto file_size = static_cast<std::uint64_t>(info.st_size);
  const std::uint64_t tail_size =
      std::min<std::uint64_t>(file_size, kEndRecordSize + kMaxCommentSize);
  std::vector<unsigned char> tail(tail_size);
  if (!ReadExactlyAt(fd, file_size - tail_size, tail.data(), tail.size())) return directory;

  // The end record is the last one whose comment reaches the end exactly.
  const unsigned char* end = nullptr;
  for (std::size_t pos = tail.size() - kEndRecordSize + 1; pos-- > 0;) {
    const unsigned char* p = tail.data() + pos;
    if (Get32(p) == 0x06054b50 && pos + kEndRecordSize + Get16(p + 20) == tail.size()) {
      end = p;
      break;
    }
  }
  if (end == nullptr || Get16(end + 4) != 0 || Get16(end + 6) != 0) return directory;
  const std::uint16_t count = Get16(end + 10);
  const std::uint32_t size = Get32(end + 12);
  const std::uint32_t offset = Get32(end + 16);
  const std::uint64_t end_offset = file_size - tail_size + (end - tail.data());
  if (count == 0xFFFF || size == 0xFFFFFFFF || offset == 0xFFFFFFFF ||
      std::uint64_t{offset} + size > end_offset || size > kMaxDirectorySize) {
    return directory;  // zip64, or data before the archive
  }
  std::vector<unsigned char> records(size);
  if (!ReadExactlyAt(fd, offset, records.data(), records.size())) return directory;

  std::set<std::string> names, repeated;
  std::size_t pos = 0;
  for (std::uint16_t i = 0; i < count; ++i) {
    if (records.size() - pos < kCentralRecordSize) return {};
    const unsigned char* p = records.data() + pos;
    if (Get32(p) != 0x02014b50) return {};
    const std::size_t name_size = Get16(p + 28), extra_size = Get16(p + 30);
    const std::size_t record_size = kCentralRecordSize + name_size + extra_size + Get16(p + 32);
    if (records.size() - pos < record_size) return {};
    std::string name(reinterpret_cast<const char*>(p + kCentralRecordSize), name_size);
    if (!names.insert(name).second) repeated.insert(name);

    AesZipEntry entry;
    entry.crc32 = Get32(p + 16);
    entry.packed_size = Get32(p + 20);
    entry.local_header_offset = Get32(p + 42);
    const std::string_view extra(reinterpret_cast<const char*>(p + kCentralRecordSize + name_size),
                                 extra_size);
    const bool encrypted = (Get16(p + 8) & 1) != 0;
    if (encrypted && Get16(p + 10) == kAesMethod && entry.packed_size != 0xFFFFFFFF &&
        entry.local_header_offset != 0xFFFFFFFF && Get16(p + 34) == 0 &&
        ParseAesField(extra, &entry)) {
      directory.aes_entries_.emplace(std::move(name), entry);
    }
    pos += record_size;
  }
  for (const std::string& name : repeated) directory.aes_entries_.erase(name);
  return directory;
}

const AesZipEntry* ZipDirectory::FindAes(const std::string& name) const {
  auto found = aes_entries_.find(name);
  return found == aes_entries_.end() ? nullptr : &found->second;
}

}  // namespace generatesheet
