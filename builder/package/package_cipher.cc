#include "builder/package/package_cipher.h"

#include <sodium.h>

#include "cipher/sodium_cipher.h"

namespace generatesheet::builder {

std::shared_ptr<SodiumCipher> CipherForKeyFile(const std::string& key_file) {
  MasterKey key = ReadMasterKeyFile(key_file);
  auto cipher = std::make_shared<SodiumCipher>(key);
  sodium_memzero(key.data(), key.size());
  return cipher;
}

}  // namespace generatesheet::builder
