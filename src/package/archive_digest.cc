#include "package/archive_digest.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

namespace generatesheet {

void ArchiveDigest::Saw(std::uint64_t offset, const void* data, std::size_t size) {
  if (offset > hashed_ || offset + size <= hashed_) return;
  const std::size_t skip = static_cast<std::size_t>(hashed_ - offset);
  sha256_update(&state_, size - skip, static_cast<const std::uint8_t*>(data) + skip);
  hashed_ += size - skip;
}

std::string ArchiveDigest::Finish(int fd) {
  std::vector<std::uint8_t> buffer(64 * 1024);
  bool failed = false;
  for (;;) {
    const ssize_t n = ::pread(fd, buffer.data(), buffer.size(), static_cast<off_t>(hashed_));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failed = n < 0;
      break;
    }
    Saw(hashed_, buffer.data(), static_cast<std::size_t>(n));
  }
  std::uint8_t digest[SHA256_DIGEST_SIZE];
  sha256_digest(&state_, sizeof digest, digest);  // also starts afresh
  hashed_ = 0;
  if (failed) return "";
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(2 * sizeof digest);
  for (std::uint8_t byte : digest) {
    hex += kHex[byte >> 4];
    hex += kHex[byte & 15];
  }
  return hex;
}

}  // namespace generatesheet
