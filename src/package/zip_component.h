// The zip component that extracts an answer package.  Settings are assigned
// one by one, as the host of the old zip control did, then Unzip(0) runs the
// extraction and answers a 16-bit result code: 0 on success, a distinct
// non-zero code for each kind of failure (see ZipResult).
#ifndef GENERATESHEET_PACKAGE_ZIP_COMPONENT_H_
#define GENERATESHEET_PACKAGE_ZIP_COMPONENT_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace generatesheet {

class ZipComponent {
 public:
  virtual ~ZipComponent() = default;

  virtual void SetZipFilename(const std::string& archive_path) = 0;       // setting 1 (id 18)
  virtual void SetUnzipToFolder(const std::string& destination) = 0;      // setting 2 (id 4)
  virtual void SetFixedFlag(bool value) = 0;                              // setting 3 (id 16)
  virtual void SetFixedOption(std::int16_t value) = 0;                    // setting 4 (id 11)
  virtual void SetEncryptionPassword(const std::string& password) = 0;    // setting 5 (id 12)

  // Runs the extraction (method 48).  Never throws for a bad archive: the
  // code tells the kind of failure and LastResultDescription() the details.
  virtual std::int16_t Unzip(std::int16_t argument) = 0;
  virtual std::string LastResultDescription() const = 0;
};

using ZipComponentFactory = std::function<std::unique_ptr<ZipComponent>()>;

// The real component on libarchive.
std::unique_ptr<ZipComponent> CreateArchiveZipComponent();

}  // namespace generatesheet

#endif  // GENERATESHEET_PACKAGE_ZIP_COMPONENT_H_
