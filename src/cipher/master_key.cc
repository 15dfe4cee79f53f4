// The master key file and the checks and new files hosts ask for.
#include "cipher/master_key.h"

#include <sodium.h>

#include <cstdlib>

#include "generatesheet/master_key_file.h"
#include "util/replacement_file.h"
#include "util/sodium_ready.h"

namespace generatesheet {

namespace {

constexpr KeyFileKind kMasterKeyFile{"GenerateSheet master key 1", "主密钥文件",
                                     "密钥行不是 64 个十六进制数字"};

}  // namespace

std::string KeyFileOrDefault(const std::string& key_file) {
  if (!key_file.empty()) return key_file;
  const char* named = std::getenv(kKeyFileEnvironmentVariable);
  return named != nullptr ? named : "";
}

MasterKey ReadMasterKeyFile(const std::string& path) {
  MasterKey key;
  ReadKeyFile(path, kMasterKeyFile, &key);
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
  std::string text = KeyFileText(kMasterKeyFile, key);
  sodium_memzero(key.data(), key.size());
  try {
    WriteNewFile(path, text, 0600, "masterkey", "主密钥文件");
  } catch (...) {
    sodium_memzero(text.data(), text.size());
    throw;
  }
  sodium_memzero(text.data(), text.size());
}

}  // namespace generatesheet
