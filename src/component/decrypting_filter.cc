#include "component/decrypting_filter.h"

#include <exception>

namespace generatesheet {

bool DecryptingFilter::Feed(const char* data, std::size_t size, std::string* out) {
  try {
    decryptor_->Feed(reinterpret_cast<const unsigned char*>(data), size, out);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool DecryptingFilter::Finish(std::string* out) {
  try {
    decryptor_->Finish(out);
    *finished_ = true;
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace generatesheet
