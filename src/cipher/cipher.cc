#include "cipher/cipher.h"

#include <mutex>
#include <string>

#include <sodium.h>

#include "cipher/sodium_cipher.h"
#include "generatesheet/master_key_file.h"
#include "util/error.h"

namespace generatesheet {

namespace {

std::mutex factory_mutex;
CipherFactory& InstalledFactory() {
  static CipherFactory factory;  // empty: the real cipher
  return factory;
}

// Reads the key file on every call, so a replaced key file takes effect at
// the next run.
std::unique_ptr<Cipher> CreateSodiumCipher(const std::string& key_file) {
  const std::string path = KeyFileOrDefault(key_file);
  if (path.empty()) {
    throw Error(std::string("无法创建解密组件：未设置环境变量 ") + kKeyFileEnvironmentVariable +
                "（应指定主密钥文件）");
  }
  MasterKey key;
  try {
    key = ReadMasterKeyFile(path);
  } catch (const Error& e) {
    // A file the host named is named in the message already.
    if (!key_file.empty()) throw;
    throw Error(std::string(e.what()) + "（由环境变量 " + kKeyFileEnvironmentVariable + " 指定）");
  }
  auto cipher = std::make_unique<SodiumCipher>(key);
  sodium_memzero(key.data(), key.size());
  return cipher;
}

}  // namespace

std::unique_ptr<Cipher> CreateCipher(const std::string& key_file) {
  CipherFactory factory;
  {
    std::lock_guard<std::mutex> lock(factory_mutex);
    factory = InstalledFactory();
  }
  // Called outside the lock: a factory may take its time or call back in.
  if (factory) return factory();
  return CreateSodiumCipher(key_file);
}

void SetCipherFactory(CipherFactory factory) {
  std::lock_guard<std::mutex> lock(factory_mutex);
  InstalledFactory() = std::move(factory);
}

}  // namespace generatesheet
