// The cipher on libsodium.  Formats and key derivations: doc/cipher.md.
#include "cipher/sodium_cipher.h"

#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "util/base64.h"
#include "util/error.h"
#include "util/replacement_file.h"
#include "util/sodium_ready.h"

namespace generatesheet {

namespace {

// --- Encrypted file layout (version 1) -------------------------------------
//   magic "GSCIPHER" | version u8 | key source u8 | salt[16] |
//   secretstream header[24] | chunks
// Each chunk is at most kChunkBytes of plaintext plus its 17-byte tag; the
// last one carries TAG_FINAL.  The fixed header is the additional data of the
// first chunk, so none of its bytes can be changed unnoticed.
constexpr std::string_view kMagic = "GSCIPHER";
constexpr unsigned char kVersion = 1;
constexpr unsigned char kMasterKeySource = 0;
constexpr unsigned char kPasswordSource = 1;
constexpr size_t kSaltBytes = crypto_pwhash_SALTBYTES;
constexpr size_t kFixedHeaderBytes = 8 + 1 + 1 + kSaltBytes;
constexpr size_t kStreamHeaderBytes = crypto_secretstream_xchacha20poly1305_HEADERBYTES;
constexpr size_t kChunkBytes = 64 * 1024;
constexpr size_t kTagBytes = crypto_secretstream_xchacha20poly1305_ABYTES;
static_assert(kMagic.size() == 8);
static_assert(kSaltBytes == 16);

// Domain labels keep the subkeys of the master key apart.
constexpr std::string_view kFileKeyLabel = "GenerateSheet file key 1";
constexpr std::string_view kQuestionKeyLabel = "GenerateSheet question key 1";
constexpr std::string_view kValueKeyLabel = "GenerateSheet value key 1";

using Key = std::array<unsigned char, 32>;

// A key that is wiped when it goes.
struct SecretKey {
  SecretKey() = default;
  SecretKey(const SecretKey&) = delete;
  SecretKey& operator=(const SecretKey&) = delete;
  ~SecretKey() { sodium_memzero(bytes.data(), bytes.size()); }
  Key bytes{};
};

static_assert(sizeof(Key) == crypto_secretstream_xchacha20poly1305_KEYBYTES);
static_assert(sizeof(Key) == crypto_aead_xchacha20poly1305_ietf_KEYBYTES);
static_assert(sizeof(MasterKey) >= crypto_generichash_KEYBYTES_MIN);

// Appends `field` as an 8-byte little-endian length followed by its bytes,
// so that no two different field lists encode alike.
void AppendField(std::string& out, std::string_view field) {
  const uint64_t length = field.size();
  char prefix[8];
  for (int i = 0; i < 8; ++i) prefix[i] = static_cast<char>((length >> (8 * i)) & 0xff);
  out.append(prefix, sizeof prefix).append(field);
}

// BLAKE2b keyed by the master key over the length-prefixed fields.
void DeriveKey(const MasterKey& master, std::initializer_list<std::string_view> fields, Key& out) {
  std::string message;
  size_t size = 0;
  for (std::string_view field : fields) size += 8 + field.size();
  message.reserve(size);
  for (std::string_view field : fields) AppendField(message, field);
  crypto_generichash(out.data(), out.size(), reinterpret_cast<const unsigned char*>(message.data()),
                     message.size(), master.data(), master.size());
  sodium_memzero(message.data(), message.size());
}

// --- Files -----------------------------------------------------------------

Error DecryptError(const std::string& path, const std::string& reason) {
  return Error("解密文件失败：" + path + "：" + reason);
}

// The key of a file: a subkey of the master key, or the password's key.
void FileKey(const MasterKey& master, const std::string& password, unsigned char source,
             const unsigned char* salt, Key& out, const std::string& path) {
  if (source == kMasterKeySource) {
    DeriveKey(master, {kFileKeyLabel}, out);
    return;
  }
  if (crypto_pwhash(out.data(), out.size(), password.data(), password.size(), salt,
                    crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE,
                    crypto_pwhash_ALG_ARGON2ID13) != 0) {
    throw Error("由密码派生密钥失败（内存不足）：" + path);
  }
}

// Wipes the stream state (it holds the key) when it goes.
struct StreamState {
  StreamState() = default;
  StreamState(const StreamState&) = delete;
  StreamState& operator=(const StreamState&) = delete;
  ~StreamState() { sodium_memzero(&state, sizeof state); }
  crypto_secretstream_xchacha20poly1305_state state;
};

// A regular file opened for reading, with its mode.
class InputFile {
 public:
  InputFile(const std::string& path, const char* what)
      : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    if (fd_.get() < 0 || ::fstat(fd_.get(), &info_) != 0) throw SystemError(what, path, errno);
    if (!S_ISREG(info_.st_mode)) throw Error(std::string(what) + "：" + path + "：不是普通文件");
  }
  int fd() const { return fd_.get(); }
  mode_t mode() const { return info_.st_mode; }

 private:
  FileDescriptor fd_;
  struct stat info_ {};
};

constexpr size_t kHeaderBytes = kFixedHeaderBytes + kStreamHeaderBytes;

// Wipes a buffer of plain bytes when it goes.
struct WipedText {
  ~WipedText() { sodium_memzero(text.data(), text.size()); }
  std::string text;
};

// The decryption of one encrypted file fed in pieces of any size: the
// headers, then chunks of kChunkBytes + kTagBytes, the last one shorter or
// marked final.  Throws for a file that is not one, in the order the checks
// meet the file's bytes.
class SodiumStreamDecryptor : public StreamDecryptor {
 public:
  SodiumStreamDecryptor(const MasterKey& master, std::string password, std::string path)
      : master_(master), password_(std::move(password)), path_(std::move(path)) {
    pending_.reserve(kHeaderBytes);
  }
  ~SodiumStreamDecryptor() override { sodium_memzero(password_.data(), password_.size()); }

  // Whether the headers are read and checked.
  bool started() const { return started_; }

  void Feed(const unsigned char* data, size_t size, std::string* plain) override {
    while (size > 0) {
      if (ended_) throw DecryptError(path_, "结束数据块之后还有多余数据，文件已被篡改");
      const size_t whole = started_ ? kChunkBytes + kTagBytes : kHeaderBytes;
      const size_t take = std::min(whole - pending_.size(), size);
      pending_.insert(pending_.end(), data, data + take);
      data += take;
      size -= take;
      if (pending_.size() < whole) return;
      if (started_) {
        Chunk(plain);
      } else {
        Start();
      }
    }
  }

  void Finish(std::string* plain) override {
    if (!started_) Start();  // throws: the headers are incomplete
    if (ended_) return;
    Chunk(plain);  // shorter than a whole chunk, so it must be the last
    if (!ended_) throw DecryptError(path_, "文件被截断（缺少结束数据块）");
  }

 private:
  void Start();
  void Chunk(std::string* plain);

  const MasterKey& master_;
  std::string password_;
  std::string path_;
  std::vector<unsigned char> pending_;  // bytes of the headers or chunk being read
  unsigned char fixed_header_[kFixedHeaderBytes] = {};
  StreamState stream_;
  std::uint64_t index_ = 0;  // of the next chunk
  bool started_ = false;
  bool ended_ = false;
};

void SodiumStreamDecryptor::Start() {
  const unsigned char* header = pending_.data();
  const size_t n = pending_.size();
  // A plain database, an empty or a damaged file: named here, where it is
  // known, rather than by the first query on a database never opened.
  if (n < kMagic.size() || std::memcmp(header, kMagic.data(), kMagic.size()) != 0) {
    throw Error("答卷数据不是加密的答卷数据库，或已损坏：" + path_);
  }
  if (n < kHeaderBytes) throw DecryptError(path_, "文件被截断（文件头不完整）");
  if (header[8] != kVersion) {
    throw DecryptError(path_, "不支持的加密文件版本 " + std::to_string(header[8]));
  }
  const unsigned char source = header[9];
  if (source != kMasterKeySource && source != kPasswordSource) {
    throw DecryptError(path_, "文件头中的密钥来源无效，文件已损坏或被篡改");
  }
  if (source == kPasswordSource && password_.empty()) {
    throw DecryptError(path_, "文件以密码加密，但未提供密码");
  }
  if (source == kMasterKeySource && !password_.empty()) {
    throw DecryptError(path_, "文件以主密钥加密，但提供了密码");
  }
  SecretKey key;
  FileKey(master_, password_, source, header + 10, key.bytes, path_);
  if (crypto_secretstream_xchacha20poly1305_init_pull(&stream_.state, header + kFixedHeaderBytes,
                                                      key.bytes.data()) != 0) {
    throw DecryptError(path_, "文件头无效，文件已损坏或被篡改");
  }
  std::memcpy(fixed_header_, header, kFixedHeaderBytes);
  pending_.clear();
  pending_.reserve(kChunkBytes + kTagBytes);
  started_ = true;
}

// Decrypts the chunk in pending_; the fixed header is the additional data
// of the first.
void SodiumStreamDecryptor::Chunk(std::string* plain) {
  const size_t n = pending_.size();
  if (n < kTagBytes) throw DecryptError(path_, "文件被截断（缺少结束数据块）");
  const size_t at = plain->size();
  plain->resize(at + n - kTagBytes);
  unsigned long long plain_size = 0;
  unsigned char tag = 0;
  const unsigned char* ad = index_ == 0 ? fixed_header_ : nullptr;
  const size_t ad_size = index_ == 0 ? kFixedHeaderBytes : 0;
  if (crypto_secretstream_xchacha20poly1305_pull(
          &stream_.state, reinterpret_cast<unsigned char*>(plain->data() + at), &plain_size, &tag,
          pending_.data(), n, ad, ad_size) != 0) {
    if (index_ == 0) {
      throw KeyMismatchError(DecryptError(path_, "密钥错误，或文件已被篡改或截断").what());
    }
    throw DecryptError(
        path_, "文件已被篡改或截断（第 " + std::to_string(index_ + 1) + " 个数据块校验失败）");
  }
  plain->resize(at + plain_size);
  pending_.clear();
  ++index_;
  if (tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL) {
    ended_ = true;
  } else if (n < kChunkBytes + kTagBytes) {
    throw DecryptError(path_, "文件被截断（缺少结束数据块）");
  }
}

// --- Values ----------------------------------------------------------------

std::string ToBase64(const std::vector<unsigned char>& bytes) {
  return EncodeBase64(bytes.data(), bytes.size());
}

}  // namespace

SodiumCipher::SodiumCipher(const MasterKey& master_key) : master_key_(master_key) {
  EnsureSodiumReady();
}

SodiumCipher::~SodiumCipher() { sodium_memzero(master_key_.data(), master_key_.size()); }

FileDecryption SodiumCipher::DecryptFileInPlace(const std::string& path,
                                                const std::string& password) {
  InputFile in(path, "无法打开待解密的文件");
  SodiumStreamDecryptor decryptor(master_key_, password, path);
  std::vector<unsigned char> buffer(kChunkBytes + kTagBytes);
  WipedText plain;
  decryptor.Feed(buffer.data(), ReadUpTo(in.fd(), buffer.data(), kHeaderBytes, path), &plain.text);
  if (!decryptor.started()) decryptor.Finish(&plain.text);  // throws: the headers are cut short
  // The plain database can always be decrypted again from the package.
  ReplacementFile out(path, in.mode(), Durability::kReproducible);
  for (;;) {
    const size_t n = ReadUpTo(in.fd(), buffer.data(), buffer.size(), path);
    if (n == 0) break;
    decryptor.Feed(buffer.data(), n, &plain.text);
    out.Write(plain.text);
    sodium_memzero(plain.text.data(), plain.text.size());
    plain.text.clear();
  }
  decryptor.Finish(&plain.text);
  out.Write(plain.text);
  out.Commit();
  return FileDecryption::kDecrypted;
}

std::unique_ptr<StreamDecryptor> SodiumCipher::NewFileDecryptor(const std::string& path,
                                                                const std::string& password) {
  return std::make_unique<SodiumStreamDecryptor>(master_key_, password, path);
}

void SodiumCipher::EncryptFile(const std::string& path, const std::string& password) {
  const std::string& native = path;
  InputFile in(native, "无法打开待加密的文件");

  unsigned char header[kFixedHeaderBytes + kStreamHeaderBytes] = {};
  std::memcpy(header, kMagic.data(), kMagic.size());
  header[8] = kVersion;
  header[9] = password.empty() ? kMasterKeySource : kPasswordSource;
  if (!password.empty()) randombytes_buf(header + 10, kSaltBytes);

  SecretKey key;
  FileKey(master_key_, password, header[9], header + 10, key.bytes, native);
  StreamState stream;
  crypto_secretstream_xchacha20poly1305_init_push(&stream.state, header + kFixedHeaderBytes,
                                                  key.bytes.data());
  ReplacementFile out(native, in.mode());
  out.Write(header, sizeof header);

  // One chunk of look-ahead tells which chunk is the last.
  std::vector<unsigned char> current(kChunkBytes), next(kChunkBytes);
  std::vector<unsigned char> cipher(kChunkBytes + kTagBytes);
  size_t current_size = ReadUpTo(in.fd(), current.data(), current.size(), native);
  for (bool first = true;; first = false) {
    size_t next_size =
        current_size < kChunkBytes ? 0 : ReadUpTo(in.fd(), next.data(), next.size(), native);
    const bool last = next_size == 0;
    unsigned long long cipher_size = 0;
    crypto_secretstream_xchacha20poly1305_push(
        &stream.state, cipher.data(), &cipher_size, current.data(), current_size,
        first ? header : nullptr, first ? kFixedHeaderBytes : 0,
        last ? crypto_secretstream_xchacha20poly1305_TAG_FINAL
             : crypto_secretstream_xchacha20poly1305_TAG_MESSAGE);
    out.Write(cipher.data(), cipher_size);
    if (last) break;
    current.swap(next);
    current_size = next_size;
  }
  sodium_memzero(current.data(), current.size());
  sodium_memzero(next.data(), next.size());
  out.Commit();
}

std::string SodiumCipher::DeriveQuestionKey(const std::string& question_no,
                                            const std::string& student_id) {
  SecretKey key;
  DeriveKey(master_key_, {kQuestionKeyLabel, question_no, student_id}, key.bytes);
  std::string hex(2 * key.bytes.size() + 1, '\0');
  sodium_bin2hex(hex.data(), hex.size(), key.bytes.data(), key.bytes.size());
  hex.pop_back();
  return hex;
}

std::string SodiumCipher::EncryptString(const std::string& plaintext, const std::string& key) {
  SecretKey value_key;
  DeriveKey(master_key_, {kValueKeyLabel, key}, value_key.bytes);
  constexpr size_t kNonceBytes = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
  std::vector<unsigned char> sealed(kNonceBytes + plaintext.size() +
                                    crypto_aead_xchacha20poly1305_ietf_ABYTES);
  randombytes_buf(sealed.data(), kNonceBytes);
  unsigned long long cipher_size = 0;
  crypto_aead_xchacha20poly1305_ietf_encrypt(
      sealed.data() + kNonceBytes, &cipher_size,
      reinterpret_cast<const unsigned char*>(plaintext.data()), plaintext.size(), nullptr, 0,
      nullptr, sealed.data(), value_key.bytes.data());
  sealed.resize(kNonceBytes + cipher_size);
  return ToBase64(sealed);
}

std::string SodiumCipher::DecryptValue(const std::string& stored, const std::string& key) {
  constexpr size_t kNonceBytes = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
  constexpr size_t kTagSize = crypto_aead_xchacha20poly1305_ietf_ABYTES;
  std::vector<unsigned char> sealed;
  if (!DecodeBase64(stored, &sealed)) {
    throw Error("加密值格式错误：不是有效的 base64 文本（长度 " + std::to_string(stored.size()) +
                "）");
  }
  if (sealed.size() < kNonceBytes + kTagSize) {
    throw Error("加密值格式错误：长度不足（" + std::to_string(sealed.size()) + " 字节）");
  }
  SecretKey value_key;
  DeriveKey(master_key_, {kValueKeyLabel, key}, value_key.bytes);
  std::string plain(sealed.size() - kNonceBytes - kTagSize, '\0');
  unsigned long long plain_size = 0;
  if (crypto_aead_xchacha20poly1305_ietf_decrypt(reinterpret_cast<unsigned char*>(plain.data()),
                                                 &plain_size, nullptr, sealed.data() + kNonceBytes,
                                                 sealed.size() - kNonceBytes, nullptr, 0,
                                                 sealed.data(), value_key.bytes.data()) != 0) {
    throw Error("加密值无法解密：密钥错误或数据已被篡改");
  }
  plain.resize(plain_size);
  return plain;
}

}  // namespace generatesheet
