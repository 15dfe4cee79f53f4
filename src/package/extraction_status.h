// The outcome of one step of an extraction: a result code and, on failure,
// the Chinese description that names the archive, the entry or the file.
#ifndef GENERATESHEET_PACKAGE_EXTRACTION_STATUS_H_
#define GENERATESHEET_PACKAGE_EXTRACTION_STATUS_H_

#include <string>
#include <utility>

#include "package/zip_component.h"

namespace generatesheet {

class ExtractionStatus {
 public:
  ExtractionStatus() = default;
  static ExtractionStatus Ok() { return ExtractionStatus(); }
  static ExtractionStatus Failure(ZipResult code, std::string description) {
    return ExtractionStatus(code, std::move(description));
  }

  bool ok() const { return code_ == ZipResult::kOk; }
  ZipResult code() const { return code_; }
  const std::string& description() const { return description_; }

 private:
  ExtractionStatus(ZipResult code, std::string description)
      : code_(code), description_(std::move(description)) {}

  ZipResult code_ = ZipResult::kOk;
  std::string description_;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_PACKAGE_EXTRACTION_STATUS_H_
