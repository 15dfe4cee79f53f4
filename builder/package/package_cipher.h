// The cipher that encrypts answer packages for a site's master key.
#ifndef GENERATESHEET_BUILDER_PACKAGE_PACKAGE_CIPHER_H_
#define GENERATESHEET_BUILDER_PACKAGE_PACKAGE_CIPHER_H_

#include <memory>
#include <string>

namespace generatesheet {
// The library's cipher (src/cipher/): the builder's one use of the
// library's insides, known here by name only.
class SodiumCipher;
}  // namespace generatesheet

namespace generatesheet::builder {

// A cipher for the master key in `key_file`; throws Error naming the file
// when it is missing, unreadable or not a key file.  Shared, so that code
// that knows the cipher by name only can hold and drop it.
std::shared_ptr<SodiumCipher> CipherForKeyFile(const std::string& key_file);

}  // namespace generatesheet::builder

#endif  // GENERATESHEET_BUILDER_PACKAGE_PACKAGE_CIPHER_H_
