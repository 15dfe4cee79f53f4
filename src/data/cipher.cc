#include "data/cipher.h"

#include <cstdlib>
#include <mutex>
#include <string>

#include <sodium.h>

#include "data/sodium_cipher.h"
#include "util/error.h"

namespace generatesheet {

namespace {

std::mutex factory_mutex;
CipherFactory& InstalledFactory() {
  static CipherFactory factory;  // empty: the real cipher
  return factory;
}

// Reads the key file named by the environment on every call, so a replaced
// key file takes effect at the next run.
std::unique_ptr<Cipher> CreateSodiumCipher() {
  const char* path = std::getenv(kKeyFileEnvironmentVariable);
  if (path == nullptr || *path == '\0') {
    throw Error(std::string("无法创建解密组件：未设置环境变量 ") + kKeyFileEnvironmentVariable +
                "（应指定主密钥文件）");
  }
  MasterKey key;
  try {
    key = ReadMasterKeyFile(path);
  } catch (const Error& e) {
    throw Error(std::string(e.what()) + "（由环境变量 " + kKeyFileEnvironmentVariable + " 指定）");
  }
  auto cipher = std::make_unique<SodiumCipher>(key);
  sodium_memzero(key.data(), key.size());
  return cipher;
}

}  // namespace

std::unique_ptr<Cipher> CreateCipher() {
  CipherFactory factory;
  {
    std::lock_guard<std::mutex> lock(factory_mutex);
    factory = InstalledFactory();
  }
  // Called outside the lock: a factory may take its time or call back in.
  if (factory) return factory();
  return CreateSodiumCipher();
}

void SetCipherFactory(CipherFactory factory) {
  std::lock_guard<std::mutex> lock(factory_mutex);
  InstalledFactory() = std::move(factory);
}

}  // namespace generatesheet
