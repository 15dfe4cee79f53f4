// The master key file that decrypts a site's answer packages (format:
// doc/cipher.md): where it is found, whether a file is one, and a new one.
//
//   const std::string path = generatesheet::KeyFileOrDefault(option);
//   generatesheet::CheckMasterKeyFile(path);  // throws Error naming the file
#ifndef GENERATESHEET_MASTER_KEY_FILE_H_
#define GENERATESHEET_MASTER_KEY_FILE_H_

#include <string>

#include "generatesheet/export.h"

namespace generatesheet {

// Names the key file when a run is given none.
inline constexpr char kKeyFileEnvironmentVariable[] = "GENERATESHEET_KEY_FILE";

// `key_file` when it is not empty, else the value of the environment
// variable ("" when unset).
GENERATESHEET_EXPORT std::string KeyFileOrDefault(const std::string& key_file);

// Reads the key file at `path` and forgets the key; throws Error naming the
// file when it is missing, unreadable or not exactly a key.
GENERATESHEET_EXPORT void CheckMasterKeyFile(const std::string& path);

// Writes a new random master key to `path` with mode 0600, never replacing
// an existing file; throws Error.
GENERATESHEET_EXPORT void WriteNewMasterKeyFile(const std::string& path);

}  // namespace generatesheet

#endif  // GENERATESHEET_MASTER_KEY_FILE_H_
