// The cipher component on libsodium.  Formats: doc/cipher.md.
//
// The master key is 32 random bytes kept in a key file; no key is compiled
// in.  CreateCipher() reads the file it is given, or else the one named by
// the environment variable GENERATESHEET_KEY_FILE.
#ifndef GENERATESHEET_DATA_SODIUM_CIPHER_H_
#define GENERATESHEET_DATA_SODIUM_CIPHER_H_

#include <array>
#include <memory>
#include <string>

#include "data/cipher.h"
#include "generatesheet/master_key_file.h"

namespace generatesheet {

using MasterKey = std::array<unsigned char, 32>;

// Reads a master key file; throws Error naming the file when it is missing,
// unreadable or not exactly a key.
MasterKey ReadMasterKeyFile(const std::string& path);

class SodiumCipher : public Cipher {
 public:
  explicit SodiumCipher(const MasterKey& master_key);
  SodiumCipher(const SodiumCipher&) = delete;
  SodiumCipher& operator=(const SodiumCipher&) = delete;
  ~SodiumCipher() override;  // wipes the key

  FileDecryption DecryptFileInPlace(const std::string& path, const std::string& password) override;
  std::string DeriveQuestionKey(const std::string& question_no,
                                const std::string& student_id) override;
  std::string DecryptValue(const std::string& stored, const std::string& key) override;

  // The encrypting counterparts, for the package builder and tests.
  // EncryptFile replaces the file atomically with its encrypted form.
  void EncryptFile(const std::string& path, const std::string& password = "");
  std::string EncryptString(const std::string& plaintext, const std::string& key);

 private:
  MasterKey master_key_;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_DATA_SODIUM_CIPHER_H_
