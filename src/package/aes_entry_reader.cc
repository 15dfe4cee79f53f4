#include "package/aes_entry_reader.h"

#include <libdeflate.h>
#include <nettle/memxor.h>
#include <nettle/pbkdf2.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "util/little_endian.h"

namespace generatesheet {

namespace {

constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kSaltSize = 16;  // AES-256
constexpr std::size_t kVerifierSize = 2;
constexpr std::size_t kCodeSize = 10;
constexpr unsigned kIterations = 1000;
constexpr std::size_t kChunkSize = 64 * 1024;
constexpr std::size_t kKeystreamBlocks = 256;

// Writes WinZip's counter block `number`: 128 bits, little-endian.  An
// entry holds fewer than 2^60 blocks, so the upper half stays zero.
void PutCounterBlock(std::uint64_t number, unsigned char* block) {
  for (std::size_t i = 0; i < 8; ++i) block[i] = static_cast<unsigned char>(number >> (8 * i));
  std::memset(block + 8, 0, AES_BLOCK_SIZE - 8);
}

}  // namespace

AesEntryReader::~AesEntryReader() {
  if (inflating_) inflateEnd(&inflater_);
  explicit_bzero(&aes_, sizeof aes_);
  explicit_bzero(&hmac_, sizeof hmac_);
}

bool AesEntryReader::ReadAt(std::uint64_t offset, unsigned char* out, std::size_t size) {
  if (!ReadExactlyAt(fd_, offset, out, size)) return false;
  if (digest_ != nullptr) digest_->Saw(offset, out, size);
  return true;
}

bool AesEntryReader::Begin(int fd, const AesZipEntry& entry, const std::string& password,
                           ArchiveDigest* digest) {
  if (entry.strength != 3 || (entry.method != 0 && entry.method != 8) ||
      (entry.vendor_version != 1 && entry.vendor_version != 2) || password.empty() ||
      entry.packed_size < kSaltSize + kVerifierSize + kCodeSize) {
    return false;
  }
  fd_ = fd;
  digest_ = digest;
  unsigned char header[kLocalHeaderSize];
  struct stat info;
  if (!ReadAt(entry.local_header_offset, header, sizeof header) ||
      std::memcmp(header, "PK\3\4", 4) != 0 || ::fstat(fd, &info) != 0) {
    return false;
  }
  const std::uint64_t data_offset =
      entry.local_header_offset + kLocalHeaderSize + Get16(header + 26) + Get16(header + 28);
  if (data_offset + entry.packed_size > static_cast<std::uint64_t>(info.st_size)) return false;

  unsigned char salt_and_verifier[kSaltSize + kVerifierSize];
  if (!ReadAt(data_offset, salt_and_verifier, sizeof salt_and_verifier) ||
      !ReadAt(data_offset + entry.packed_size - kCodeSize, expected_code_, kCodeSize)) {
    return false;
  }
  // The AES key, the HMAC key and the password verifier, in that order.
  unsigned char derived[2 * AES256_KEY_SIZE + kVerifierSize];
  pbkdf2_hmac_sha1(password.size(), reinterpret_cast<const std::uint8_t*>(password.data()),
                   kIterations, kSaltSize, salt_and_verifier, sizeof derived, derived);
  const bool verified =
      std::memcmp(derived + 2 * AES256_KEY_SIZE, salt_and_verifier + kSaltSize, kVerifierSize) == 0;
  if (verified) {
    aes256_set_encrypt_key(&aes_, derived);
    hmac_sha1_set_key(&hmac_, AES256_KEY_SIZE, derived + AES256_KEY_SIZE);
  }
  explicit_bzero(derived, sizeof derived);
  if (!verified) return false;
  if (entry.method == 8) {
    if (inflateInit2(&inflater_, -MAX_WBITS) != Z_OK) return false;
    inflating_ = true;
  }
  entry_ = entry;
  next_offset_ = data_offset + sizeof salt_and_verifier;
  cipher_left_ = entry.packed_size - sizeof salt_and_verifier - kCodeSize;
  packed_consumed_ = sizeof salt_and_verifier;
  crc_ = 0;
  return true;
}

std::ptrdiff_t AesEntryReader::Fail(const char* reason) {
  error_ = reason;
  return -1;
}

bool AesEntryReader::Refill() {
  const std::size_t size =
      static_cast<std::size_t>(std::min<std::uint64_t>(cipher_left_, kChunkSize));
  chunk_.resize(size);
  chunk_used_ = 0;
  if (!ReadAt(next_offset_, chunk_.data(), size)) {
    Fail("条目数据不完整，文件已被截断");
    return false;
  }
  next_offset_ += size;
  cipher_left_ -= size;
  // The code after the ciphertext was read first; it follows it here.
  if (cipher_left_ == 0 && digest_ != nullptr)
    digest_->Saw(next_offset_, expected_code_, kCodeSize);
  packed_consumed_ += size;
  hmac_sha1_update(&hmac_, size, chunk_.data());

  unsigned char keystream[kKeystreamBlocks * AES_BLOCK_SIZE];
  for (std::size_t done = 0; done < size;) {
    const std::size_t bytes = std::min(size - done, sizeof keystream);
    const std::size_t blocks = (bytes + AES_BLOCK_SIZE - 1) / AES_BLOCK_SIZE;
    for (std::size_t b = 0; b < blocks; ++b) {
      PutCounterBlock(++blocks_used_, keystream + b * AES_BLOCK_SIZE);
    }
    aes256_encrypt(&aes_, blocks * AES_BLOCK_SIZE, keystream, keystream);
    memxor(chunk_.data() + done, keystream, bytes);
    done += bytes;
  }
  return true;
}

std::ptrdiff_t AesEntryReader::Read(char* buffer, std::size_t size) {
  if (!error_.empty()) return -1;
  if (finished_ || size == 0) return 0;
  return inflating_ ? ReadDeflated(buffer, size) : ReadStored(buffer, size);
}

std::ptrdiff_t AesEntryReader::ReadStored(char* buffer, std::size_t size) {
  if (chunk_used_ == chunk_.size()) {
    if (cipher_left_ == 0) return Finish();
    if (!Refill()) return -1;
  }
  const std::size_t n = std::min(size, chunk_.size() - chunk_used_);
  std::memcpy(buffer, chunk_.data() + chunk_used_, n);
  chunk_used_ += n;
  UpdateCrc(buffer, n);
  return static_cast<std::ptrdiff_t>(n);
}

std::ptrdiff_t AesEntryReader::ReadDeflated(char* buffer, std::size_t size) {
  const uInt room = static_cast<uInt>(std::min<std::size_t>(size, 1u << 30));
  for (;;) {
    if (stream_ended_) return Finish();
    if (inflater_.avail_in == 0 && cipher_left_ > 0) {
      if (!Refill()) return -1;
      inflater_.next_in = chunk_.data();
      inflater_.avail_in = static_cast<uInt>(chunk_.size());
    }
    inflater_.next_out = reinterpret_cast<Bytef*>(buffer);
    inflater_.avail_out = room;
    const int result = inflate(&inflater_, Z_NO_FLUSH);
    const std::size_t produced = room - inflater_.avail_out;
    if (result == Z_STREAM_END) {
      stream_ended_ = true;
    } else if (result == Z_BUF_ERROR && inflater_.avail_in == 0 && cipher_left_ == 0) {
      return Fail("条目数据不完整，压缩数据提前结束");
    } else if (result != Z_OK && result != Z_BUF_ERROR) {
      return Fail("条目数据无法解压，数据已损坏");
    }
    if (produced > 0) {
      UpdateCrc(buffer, produced);
      return static_cast<std::ptrdiff_t>(produced);
    }
  }
}

// Only AE-1 entries store a CRC-32 worth checking; AE-2 leaves it to the
// authentication code.
void AesEntryReader::UpdateCrc(const char* data, std::size_t size) {
  if (entry_.vendor_version != 1) return;
  crc_ = libdeflate_crc32(crc_, data, size);
}

std::ptrdiff_t AesEntryReader::Finish() {
  // Whatever follows the compressed data is still covered by the code.
  while (cipher_left_ > 0) {
    if (!Refill()) return -1;
  }
  unsigned char digest[SHA1_DIGEST_SIZE];
  hmac_sha1_digest(&hmac_, sizeof digest, digest);
  packed_consumed_ += kCodeSize;
  if (std::memcmp(digest, expected_code_, kCodeSize) != 0) {
    return Fail("条目数据的认证码不符，数据已损坏或被改动");
  }
  if (entry_.vendor_version == 1 && crc_ != entry_.crc32) {
    return Fail("条目数据的校验和不符，数据已损坏");
  }
  finished_ = true;
  return 0;
}

}  // namespace generatesheet
