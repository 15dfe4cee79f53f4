// The master key file (format: doc/cipher.md):
//
//   GenerateSheet master key 1
//   # optional comment lines
//   <64 hex digits>
#include "data/master_key.h"

#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>

#include "data/sodium_cipher.h"
#include "util/error.h"
#include "util/regular_file.h"
#include "util/replacement_file.h"

namespace generatesheet {

namespace {

constexpr std::string_view kHeaderLine = "GenerateSheet master key 1";
// A key file is a few lines; anything much larger is not one.
constexpr size_t kMaxKeyFileBytes = 4096;

// A string whose bytes are wiped when it goes.
class WipedString {
 public:
  WipedString() = default;
  WipedString(const WipedString&) = delete;
  WipedString& operator=(const WipedString&) = delete;
  ~WipedString() { sodium_memzero(text.data(), text.size()); }

  std::string text;
};

Error KeyFileError(const std::string& path, const std::string& reason) {
  return Error("无法读取主密钥文件：" + path + "：" + reason);
}

void ReadSmallFile(const std::string& path, std::string& out) {
  try {
    ReadRegularFile(path, kMaxKeyFileBytes, out);
  } catch (const Error& e) {
    std::string reason = e.what();
    const std::string named = "：" + path;
    if (reason.ends_with(named)) reason.resize(reason.size() - named.size());
    throw KeyFileError(path, reason);
  }
}

// Splits off the next line (without "\n" or a trailing "\r").
std::string_view NextLine(std::string_view& rest) {
  size_t end = rest.find('\n');
  std::string_view line = rest.substr(0, end);
  rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

}  // namespace

void EnsureSodiumReady() {
  static const int status = sodium_init();  // thread-safe static initialisation
  if (status < 0) throw Error("无法初始化加密库 libsodium");
}

MasterKey ReadMasterKeyFile(const std::string& path) {
  EnsureSodiumReady();
  WipedString content;
  ReadSmallFile(path, content.text);

  std::string_view rest = content.text;
  if (NextLine(rest) != kHeaderLine) {
    throw KeyFileError(path, "首行不是 \"" + std::string(kHeaderLine) + "\"，不是主密钥文件");
  }
  std::string_view key_line;
  int key_lines = 0;
  while (!rest.empty()) {
    std::string_view line = NextLine(rest);
    if (line.empty() || line.front() == '#') continue;
    key_line = line;
    ++key_lines;
  }
  if (key_lines != 1) throw KeyFileError(path, "应当恰好有一行密钥（64 个十六进制数字）");

  MasterKey key;
  size_t key_length = 0;
  const char* end = nullptr;
  if (key_line.size() != 2 * key.size() ||
      sodium_hex2bin(key.data(), key.size(), key_line.data(), key_line.size(), nullptr, &key_length,
                     &end) != 0 ||
      key_length != key.size() || end != key_line.data() + key_line.size()) {
    sodium_memzero(key.data(), key.size());
    throw KeyFileError(path, "密钥行不是 64 个十六进制数字");
  }
  return key;
}

void CheckMasterKeyFile(const std::string& path) {
  MasterKey key = ReadMasterKeyFile(path);
  sodium_memzero(key.data(), key.size());
}

void WriteNewMasterKeyFile(const std::string& path) {
  EnsureSodiumReady();
  MasterKey key;
  randombytes_buf(key.data(), key.size());
  WipedString content;
  content.text.assign(kHeaderLine);
  content.text += "\n";
  std::string hex(2 * key.size() + 1, '\0');
  sodium_bin2hex(hex.data(), hex.size(), key.data(), key.size());
  hex.pop_back();
  content.text += hex + "\n";
  sodium_memzero(hex.data(), hex.size());
  sodium_memzero(key.data(), key.size());

  WriteNewFile(path, content.text, 0600, "masterkey", "主密钥文件");
}

}  // namespace generatesheet
