// Test doubles for the two components a test must force into answers the
// real ones cannot give on demand: a zip component that answers a fixed
// code, and ciphers that answer false, Null or fail.
#ifndef GENERATESHEET_TESTS_COMPONENT_FAKE_COMPONENTS_H_
#define GENERATESHEET_TESTS_COMPONENT_FAKE_COMPONENTS_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cipher/cipher.h"
#include "package/thread_zip_component.h"
#include "package/zip_component.h"
#include "util/error.h"

namespace generatesheet::testing {

// Records every setting it receives, in order, and answers `code`.
class RecordingZip : public ZipComponent {
 public:
  explicit RecordingZip(std::int16_t code, std::vector<std::string>* log)
      : code_(code), log_(log) {}
  void SetZipFilename(const std::string& v) override { log_->push_back("18=" + v); }
  void SetUnzipToFolder(const std::string& v) override { log_->push_back("4=" + v); }
  void SetOldControlFlag16(bool v) override {
    log_->push_back(std::string("16=") + (v ? "1" : "0"));
  }
  void SetOldControlOption11(std::int16_t v) override {
    log_->push_back("11=" + std::to_string(v));
  }
  void SetEncryptionPassword(const std::string& v) override { log_->push_back("12=" + v); }
  std::int16_t Extract() override {
    log_->push_back("48");
    return code_;
  }
  std::string LastResultDescription() const override { return "fake"; }

 private:
  std::int16_t code_;
  std::vector<std::string>* log_;
};

// Puts a RecordingZip on this thread for the life of the object.
class ScopedFakeZip {
 public:
  explicit ScopedFakeZip(std::int16_t code) {
    ReplaceThreadZipComponent(std::make_unique<RecordingZip>(code, &log));
  }
  ~ScopedFakeZip() { ReplaceThreadZipComponent(nullptr); }
  std::vector<std::string> log;
};

// A cipher whose file decryption answers a fixed result (or throws) and
// whose value operations pass values through unchanged.
class FixedCipher : public Cipher {
 public:
  explicit FixedCipher(FileDecryption answer, bool throws = false)
      : answer_(answer), throws_(throws) {}
  FileDecryption DecryptFileInPlace(const std::string&, const std::string&) override {
    if (throws_) throw Error("密钥错误，无法解密");
    return answer_;
  }
  std::string DeriveQuestionKey(const std::string& q, const std::string& s) override {
    return q + "|" + s;
  }
  std::string DecryptValue(const std::string& value, const std::string&) override { return value; }

 private:
  FileDecryption answer_;
  bool throws_;
};

// Installs a cipher factory for the life of the object.
class ScopedCipherFactory {
 public:
  explicit ScopedCipherFactory(CipherFactory factory) { SetCipherFactory(std::move(factory)); }
  ~ScopedCipherFactory() { SetCipherFactory(nullptr); }
};

}  // namespace generatesheet::testing

#endif  // GENERATESHEET_TESTS_COMPONENT_FAKE_COMPONENTS_H_
