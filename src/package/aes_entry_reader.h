// Reads the data of one WinZip AES-256 zip entry straight from the archive:
// the key is derived once (PBKDF2-HMAC-SHA1) and expanded once, the data is
// decrypted in counter mode with nettle's AES in large batches, its
// HMAC-SHA1 code is checked at the end, and deflated data is inflated with
// zlib.  libarchive 3.6 expands the key again for every 16-byte block,
// which costs more than all the rest of the extraction.
//
//   AesEntryReader reader;
//   if (reader.Begin(fd, entry, "qvk")) { while ((n = reader.Read(buf, size)) > 0) use(buf, n); }
//
// Begin declines (answers false) whatever it does not plainly handle: other
// key strengths, other compression methods, a wrong password, a local
// header that does not fit.  The caller then reads the entry the ordinary
// way, which reports any fault in its own words.
#ifndef GENERATESHEET_PACKAGE_AES_ENTRY_READER_H_
#define GENERATESHEET_PACKAGE_AES_ENTRY_READER_H_

#include <nettle/aes.h>
#include <nettle/hmac.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "package/archive_digest.h"
#include "package/zip_directory.h"

namespace generatesheet {

class AesEntryReader {
 public:
  AesEntryReader() = default;
  ~AesEntryReader();
  AesEntryReader(const AesEntryReader&) = delete;
  AesEntryReader& operator=(const AesEntryReader&) = delete;

  // Prepares to read `entry` of the archive open on `fd` (which must stay
  // open while this reader is used).  With `digest`, every byte read from
  // the archive is reported to it.
  bool Begin(int fd, const AesZipEntry& entry, const std::string& password,
             ArchiveDigest* digest = nullptr);

  // Up to `size` bytes of the entry's plain data: the count read, 0 at its
  // end (once the authentication code and any CRC-32 matched), -1 on
  // failure (see error()).
  std::ptrdiff_t Read(char* buffer, std::size_t size);

  // Bytes of the archive read for the entry so far.
  std::uint64_t PackedBytesConsumed() const { return packed_consumed_; }

  // The Chinese reason of the last failure.
  const std::string& error() const { return error_; }

 private:
  bool ReadAt(std::uint64_t offset, unsigned char* out, std::size_t size);
  bool Refill();
  std::ptrdiff_t Fail(const char* reason);
  void UpdateCrc(const char* data, std::size_t size);
  std::ptrdiff_t Finish();
  std::ptrdiff_t ReadStored(char* buffer, std::size_t size);
  std::ptrdiff_t ReadDeflated(char* buffer, std::size_t size);

  int fd_ = -1;
  ArchiveDigest* digest_ = nullptr;
  AesZipEntry entry_;
  std::uint64_t next_offset_ = 0;  // of the ciphertext still to read
  std::uint64_t cipher_left_ = 0;
  std::uint64_t packed_consumed_ = 0;
  unsigned char expected_code_[10] = {};

  aes256_ctx aes_{};
  hmac_sha1_ctx hmac_{};
  std::uint64_t blocks_used_ = 0;  // the counter; the first block is numbered 1

  std::vector<unsigned char> chunk_;  // decrypted data not yet used
  std::size_t chunk_used_ = 0;

  z_stream inflater_{};
  bool inflating_ = false;
  bool stream_ended_ = false;
  std::uint32_t crc_ = 0;
  bool finished_ = false;
  std::string error_;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_PACKAGE_AES_ENTRY_READER_H_
