// The SHA-256 of an archive file, taken from the bytes its reader reads
// anyway rather than by reading the file again.  A reader goes through a
// zip archive mostly from front to back; each read reports its bytes, the
// hash takes those that carry it on, and Finish reads only what was not
// read in order (mostly the central directory at the end).  nettle's
// SHA-256 uses the processor's SHA instructions where it has them.
//
//   ArchiveDigest digest;
//   digest.Saw(offset, data, size);  // for every read, in any order
//   std::string hex = digest.Finish(fd);
#ifndef GENERATESHEET_PACKAGE_ARCHIVE_DIGEST_H_
#define GENERATESHEET_PACKAGE_ARCHIVE_DIGEST_H_

#include <nettle/sha2.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace generatesheet {

class ArchiveDigest {
 public:
  ArchiveDigest() { sha256_init(&state_); }

  // `size` bytes of the file at `offset` were read into `data`.
  void Saw(std::uint64_t offset, const void* data, std::size_t size);

  // The lowercase hex SHA-256 of the file open on `fd`, whose bytes so far
  // reported are taken as read; the rest is read from `fd`.  "" when that
  // fails.  The digest starts afresh afterwards.
  std::string Finish(int fd);

  // Bytes hashed so far: the file's first bytes, read in order.
  std::uint64_t hashed() const { return hashed_; }

 private:
  sha256_ctx state_;
  std::uint64_t hashed_ = 0;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_PACKAGE_ARCHIVE_DIGEST_H_
