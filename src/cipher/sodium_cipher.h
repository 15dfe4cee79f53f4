// The cipher component on libsodium.  Formats: doc/cipher.md.
//
// The master key is 32 random bytes kept in a key file; no key is compiled
// in.  CreateCipher() reads the file it is given, or else the one named by
// the environment variable GENERATESHEET_KEY_FILE.
#ifndef GENERATESHEET_CIPHER_SODIUM_CIPHER_H_
#define GENERATESHEET_CIPHER_SODIUM_CIPHER_H_

#include <memory>
#include <string>

#include "cipher/cipher.h"
#include "cipher/master_key.h"

namespace generatesheet {

class SodiumCipher : public Cipher {
 public:
  explicit SodiumCipher(const MasterKey& master_key);
  SodiumCipher(const SodiumCipher&) = delete;
  SodiumCipher& operator=(const SodiumCipher&) = delete;
  ~SodiumCipher() override;  // wipes the key

  FileDecryption DecryptFileInPlace(const std::string& path, const std::string& password) override;
  std::unique_ptr<StreamDecryptor> NewFileDecryptor(const std::string& path,
                                                    const std::string& password) override;
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

#endif  // GENERATESHEET_CIPHER_SODIUM_CIPHER_H_
