// The answer database decrypted on its way out of the package: the zip
// component's filter over the cipher's stream decryptor, so the encrypted
// file is never written to disk and read back.
#ifndef GENERATESHEET_COMPONENT_DECRYPTING_FILTER_H_
#define GENERATESHEET_COMPONENT_DECRYPTING_FILTER_H_

#include <cstddef>
#include <memory>
#include <string>

#include "cipher/cipher.h"
#include "package/zip_component.h"

namespace generatesheet {

class DecryptingFilter : public EntryFilter {
 public:
  // `*finished` becomes true once the whole entry has decrypted; it must
  // outlive the filter.
  DecryptingFilter(std::unique_ptr<StreamDecryptor> decryptor, bool* finished)
      : decryptor_(std::move(decryptor)), finished_(finished) {}

  // A refusal's reason is not kept: the run unpacks the database again as
  // it came and decrypts it in place, which names it.
  bool Feed(const char* data, std::size_t size, std::string* out) override;
  bool Finish(std::string* out) override;

 private:
  std::unique_ptr<StreamDecryptor> decryptor_;
  bool* finished_;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_COMPONENT_DECRYPTING_FILTER_H_
