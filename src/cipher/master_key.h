// The master key: 32 random bytes kept in a key file (format:
// doc/cipher.md); no key is compiled in.
#ifndef GENERATESHEET_CIPHER_MASTER_KEY_H_
#define GENERATESHEET_CIPHER_MASTER_KEY_H_

#include <string>

#include "generatesheet/master_key_file.h"
#include "util/key_file_text.h"

namespace generatesheet {

using MasterKey = KeyBytes;

// Reads a master key file; throws Error naming the file when it is missing,
// unreadable or not exactly a key.
MasterKey ReadMasterKeyFile(const std::string& path);

}  // namespace generatesheet

#endif  // GENERATESHEET_CIPHER_MASTER_KEY_H_
