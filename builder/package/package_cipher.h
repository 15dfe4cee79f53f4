// The cipher that encrypts answer packages for a site's master key.
#ifndef GENERATESHEET_BUILDER_PACKAGE_PACKAGE_CIPHER_H_
#define GENERATESHEET_BUILDER_PACKAGE_PACKAGE_CIPHER_H_

#include <memory>
#include <string>

#include "cipher/sodium_cipher.h"

namespace generatesheet::builder {

// A cipher for the master key in `key_file`; throws Error naming the file
// when it is missing, unreadable or not a key file.
std::unique_ptr<SodiumCipher> CipherForKeyFile(const std::string& key_file);

}  // namespace generatesheet::builder

#endif  // GENERATESHEET_BUILDER_PACKAGE_PACKAGE_CIPHER_H_
