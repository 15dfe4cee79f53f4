#include "tools/archive/signing_key.h"

#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <vector>

#include "util/base64.h"
#include "util/error.h"
#include "util/file_descriptor.h"
#include "util/key_file_text.h"
#include "util/regular_file.h"
#include "util/replacement_file.h"
#include "util/sodium_ready.h"

namespace generatesheet::cli {

namespace {

constexpr KeyFileKind kSigningKeyFile{"GenerateSheet signing key 1", "签名密钥文件",
                                      "应当恰好有一行密钥（64 个十六进制数字）"};
constexpr std::string_view kPemBegin = "-----BEGIN PUBLIC KEY-----";
constexpr std::string_view kPemEnd = "-----END PUBLIC KEY-----";
// The DER SubjectPublicKeyInfo of an Ed25519 key is these 12 bytes and the
// 32 bytes of the key (RFC 8410).
constexpr unsigned char kSpkiPrefix[] = {0x30, 0x2a, 0x30, 0x05, 0x06, 0x03,
                                         0x2b, 0x65, 0x70, 0x03, 0x21, 0x00};
constexpr size_t kMaxKeyFileBytes = 4096;

// Secret bytes wiped when they go.
template <size_t N>
struct Wiped {
  std::array<unsigned char, N> bytes{};
  ~Wiped() { sodium_memzero(bytes.data(), N); }
};

struct WipedText {
  std::string text;
  ~WipedText() { sodium_memzero(text.data(), text.size()); }
};

std::string PublicKeyPem(const SigningPublicKey& key) {
  unsigned char der[sizeof kSpkiPrefix + 32];
  std::copy(std::begin(kSpkiPrefix), std::end(kSpkiPrefix), der);
  std::copy(key.begin(), key.end(), der + sizeof kSpkiPrefix);
  const std::string base64 = EncodeBase64(der, sizeof der);
  return std::string(kPemBegin) + "\n" + base64 + "\n" + std::string(kPemEnd) + "\n";
}

void ReadSeed(const std::string& path, Wiped<crypto_sign_SEEDBYTES>& seed) {
  ReadKeyFile(path, kSigningKeyFile, &seed.bytes);
}

}  // namespace

std::string Hex(const unsigned char* data, size_t size) {
  std::string hex(2 * size + 1, '\0');
  sodium_bin2hex(hex.data(), hex.size(), data, size);
  hex.pop_back();
  return hex;
}

std::string PublicKeyPathFor(const std::string& secret_key_path) {
  return secret_key_path + ".pub";
}

void WriteNewSigningKeyPair(const std::string& path) {
  EnsureSodiumReady();
  Wiped<crypto_sign_SEEDBYTES> seed;
  randombytes_buf(seed.bytes.data(), seed.bytes.size());
  SigningPublicKey public_key;
  Wiped<crypto_sign_SECRETKEYBYTES> secret;
  crypto_sign_seed_keypair(public_key.data(), secret.bytes.data(), seed.bytes.data());

  WipedText content{KeyFileText(kSigningKeyFile, seed.bytes)};
  const std::string public_path = PublicKeyPathFor(path);
  // Both names are checked first, so a refusal leaves nothing behind.
  if (::access(path.c_str(), F_OK) == 0) throw Error("签名密钥文件已存在，拒绝覆盖：" + path);
  if (::access(public_path.c_str(), F_OK) == 0) {
    throw Error("签名公钥文件已存在，拒绝覆盖：" + public_path);
  }
  WriteNewFile(path, content.text, 0600, "signingkey", "签名密钥文件");
  try {
    WriteNewFile(public_path, PublicKeyPem(public_key), 0644, "signingkey", "签名密钥文件");
  } catch (...) {
    ::unlink(path.c_str());
    throw;
  }
}

std::string SignWithKeyFile(const std::string& path, const std::string& message,
                            SigningPublicKey& public_key) {
  EnsureSodiumReady();
  Wiped<crypto_sign_SEEDBYTES> seed;
  ReadSeed(path, seed);
  Wiped<crypto_sign_SECRETKEYBYTES> secret;
  crypto_sign_seed_keypair(public_key.data(), secret.bytes.data(), seed.bytes.data());
  std::string signature(crypto_sign_BYTES, '\0');
  crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr,
                       reinterpret_cast<const unsigned char*>(message.data()), message.size(),
                       secret.bytes.data());
  return signature;
}

SigningPublicKey ReadSigningPublicKey(const std::string& path) {
  EnsureSodiumReady();
  std::string content;
  try {
    ReadRegularFile(path, kMaxKeyFileBytes, content);
  } catch (const Error& e) {
    throw Error(std::string("无法读取签名公钥文件：") + e.what());
  }
  std::string_view rest = content;
  std::string base64;
  bool inside = false, done = false;
  while (!rest.empty() && !done) {
    const std::string_view line = NextLine(rest);
    if (line == kPemBegin) {
      inside = true;
    } else if (line == kPemEnd) {
      done = inside;
    } else if (inside) {
      base64 += line;
    }
  }
  std::vector<unsigned char> der;
  if (!done || !DecodeBase64(base64, &der) || der.size() != sizeof kSpkiPrefix + 32 ||
      !std::equal(std::begin(kSpkiPrefix), std::end(kSpkiPrefix), der.begin())) {
    throw Error("签名公钥文件不是 PEM 格式的 Ed25519 公钥：" + path);
  }
  SigningPublicKey key;
  std::copy(der.begin() + sizeof kSpkiPrefix, der.end(), key.begin());
  return key;
}

bool SignatureMatches(const std::string& message, const std::string& signature,
                      const SigningPublicKey& public_key) {
  EnsureSodiumReady();
  return signature.size() == crypto_sign_BYTES &&
         crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature.data()),
                                     reinterpret_cast<const unsigned char*>(message.data()),
                                     message.size(), public_key.data()) == 0;
}

}  // namespace generatesheet::cli
