// The cipher component: the three operations through which the system
// decrypts the student's answer database and the values stored in it.
//
// Every operation throws generatesheet::Error on failure (wrong key, tampered
// value, I/O failure).  No error text ever holds a key or a plaintext.
#ifndef GENERATESHEET_CIPHER_CIPHER_H_
#define GENERATESHEET_CIPHER_CIPHER_H_

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "util/error.h"

namespace generatesheet {

// Thrown by DecryptFileInPlace when the file is in the encrypted format but does
// not open under the cipher's key: it was made with another key (or its
// first bytes were changed).
class KeyMismatchError : public Error {
 public:
  using Error::Error;
};

// What a file decryption answers.  kNull is the old component's Null, an
// answer that is neither yes nor no; callers count it as not decrypted.
enum class FileDecryption { kDecrypted, kRefused, kNull };

// Decrypts an encrypted file handed to it a piece at a time, as it is read
// from wherever it comes (an archive being unpacked): it accepts exactly the
// files DecryptFileInPlace accepts and gives the same plain bytes.
class StreamDecryptor {
 public:
  virtual ~StreamDecryptor() = default;
  // The next `size` bytes of the encrypted file; appends to *plain the
  // plain bytes they complete.  Throws as DecryptFileInPlace would for the
  // file (KeyMismatchError for another key).
  virtual void Feed(const unsigned char* data, std::size_t size, std::string* plain) = 0;
  // After the file's last byte: appends the rest; throws for a file cut
  // short or with bytes after its end.
  virtual void Finish(std::string* plain) = 0;
};

class Cipher {
 public:
  virtual ~Cipher() = default;

  // Decrypts the file at `path` in place.  kDecrypted: the file is now plain.
  // kRefused or kNull: not decrypted, for no reason the cipher names (the
  // library's own cipher throws instead, naming it).
  virtual FileDecryption DecryptFileInPlace(const std::string& path,
                                            const std::string& password) = 0;

  // A decryptor for a file that DecryptFileInPlace(path, password) would
  // decrypt, or null when this cipher decrypts files only in place.  It
  // must not outlive the cipher.
  virtual std::unique_ptr<StreamDecryptor> NewFileDecryptor(const std::string& path,
                                                            const std::string& password) {
    (void)path;
    (void)password;
    return nullptr;
  }

  // Derives the key of one question of one student: a printable string.
  virtual std::string DeriveQuestionKey(const std::string& question_no,
                                        const std::string& student_id) = 0;

  // Decrypts one stored value with a key (a per-question key, or the text
  // of a row's I_RECNO).
  virtual std::string DecryptValue(const std::string& stored, const std::string& key) = 0;

  // The same three operations under the member names of the old cipher
  // component, with its way of passing arguments.
  FileDecryption zqDecryptFile(std::string& path, std::string password) {
    return DecryptFileInPlace(path, password);
  }
  std::string zqEncryptString(std::string question_no, std::string student_id) {
    return DeriveQuestionKey(question_no, student_id);
  }
  std::string zqDecryptString(std::string value, std::string& key) {
    return DecryptValue(value, key);
  }
};

using CipherFactory = std::function<std::unique_ptr<Cipher>()>;

// Creates a new cipher instance on the master key in `key_file`, or, when
// `key_file` is empty, in the file named by the environment variable
// GENERATESHEET_KEY_FILE.  Throws Error when none can be created (for
// instance, no readable master key).  Safe to call from several threads.
std::unique_ptr<Cipher> CreateCipher(const std::string& key_file = "");

// Replaces the factory CreateCipher uses (tests put in ciphers that answer
// false, Null or throw).  An empty factory restores the real one.
void SetCipherFactory(CipherFactory factory);

}  // namespace generatesheet

#endif  // GENERATESHEET_CIPHER_CIPHER_H_
