#include "tools/archive/signing_key.h"

#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "tools/archive/sodium_ready.h"
#include "util/error.h"
#include "util/file_descriptor.h"
#include "util/regular_file.h"
#include "util/replacement_file.h"

namespace generatesheet::cli {

namespace {

constexpr std::string_view kSecretHeader = "GenerateSheet signing key 1";
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

std::string_view NextLine(std::string_view& rest) {
  const size_t end = rest.find('\n');
  std::string_view line = rest.substr(0, end);
  rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

Error KeyError(const std::string& path, const std::string& reason) {
  return Error("无法读取签名密钥文件：" + path + "：" + reason);
}

std::string PublicKeyPem(const SigningPublicKey& key) {
  unsigned char der[sizeof kSpkiPrefix + 32];
  std::copy(std::begin(kSpkiPrefix), std::end(kSpkiPrefix), der);
  std::copy(key.begin(), key.end(), der + sizeof kSpkiPrefix);
  std::string base64(sodium_base64_ENCODED_LEN(sizeof der, sodium_base64_VARIANT_ORIGINAL), '\0');
  sodium_bin2base64(base64.data(), base64.size(), der, sizeof der, sodium_base64_VARIANT_ORIGINAL);
  base64.pop_back();
  return std::string(kPemBegin) + "\n" + base64 + "\n" + std::string(kPemEnd) + "\n";
}

void ReadSeed(const std::string& path, Wiped<crypto_sign_SEEDBYTES>& seed) {
  WipedText content;
  try {
    ReadRegularFile(path, kMaxKeyFileBytes, content.text);
  } catch (const Error& e) {
    std::string reason = e.what();
    const std::string named = "：" + path;
    if (reason.ends_with(named)) reason.resize(reason.size() - named.size());
    throw KeyError(path, reason);
  }
  std::string_view rest = content.text;
  if (NextLine(rest) != kSecretHeader) {
    throw KeyError(path, "首行不是 \"" + std::string(kSecretHeader) + "\"，不是签名密钥文件");
  }
  std::string_view hex;
  int lines = 0;
  while (!rest.empty()) {
    std::string_view line = NextLine(rest);
    if (line.empty() || line.front() == '#') continue;
    hex = line;
    ++lines;
  }
  size_t length = 0;
  const char* end = nullptr;
  if (lines != 1 || hex.size() != 2 * seed.bytes.size() ||
      sodium_hex2bin(seed.bytes.data(), seed.bytes.size(), hex.data(), hex.size(), nullptr, &length,
                     &end) != 0 ||
      length != seed.bytes.size() || end != hex.data() + hex.size()) {
    throw KeyError(path, "应当恰好有一行密钥（64 个十六进制数字）");
  }
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

  WipedText content;
  content.text = std::string(kSecretHeader) + "\n";
  WipedText hex{Hex(seed.bytes.data(), seed.bytes.size())};
  content.text += hex.text + "\n";
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
  unsigned char der[sizeof kSpkiPrefix + 32 + 1];
  size_t length = 0;
  if (!done ||
      sodium_base642bin(der, sizeof der, base64.data(), base64.size(), nullptr, &length, nullptr,
                        sodium_base64_VARIANT_ORIGINAL) != 0 ||
      length != sizeof der - 1 ||
      !std::equal(std::begin(kSpkiPrefix), std::end(kSpkiPrefix), der)) {
    throw Error("签名公钥文件不是 PEM 格式的 Ed25519 公钥：" + path);
  }
  SigningPublicKey key;
  std::copy(der + sizeof kSpkiPrefix, der + sizeof kSpkiPrefix + key.size(), key.begin());
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
