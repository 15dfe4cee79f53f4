#include "builder/package/package_cipher.h"

#include <sodium.h>

namespace generatesheet::builder {

std::unique_ptr<SodiumCipher> CipherForKeyFile(const std::string& key_file) {
  MasterKey key = ReadMasterKeyFile(key_file);
  auto cipher = std::make_unique<SodiumCipher>(key);
  sodium_memzero(key.data(), key.size());
  return cipher;
}

}  // namespace generatesheet::builder
