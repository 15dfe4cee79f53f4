// The package's zip: its files read from disk, under the package password.
#include <ctime>

#include "builder/package/answer_package.h"
#include "builder/package/zip_archive.h"
#include "util/error.h"
#include "util/file_util.h"

namespace generatesheet::builder {

void WriteZip(const std::string& zip_path, const std::map<std::string, std::string>& files,
              const std::string& password, const std::string& encryption) {
  ZipWriteOptions options;
  options.password = password;
  if (encryption == "aes256") {
    options.encryption = ZipEncryption::kAes256;
  } else if (encryption == "zipcrypt") {
    options.encryption = ZipEncryption::kZipCrypto;
  } else if (!encryption.empty()) {
    throw Error("不支持的压缩包加密方式：" + encryption);
  }
  options.mtime = static_cast<std::int64_t>(std::time(nullptr));
  std::vector<ZipEntry> entries;
  for (const auto& [name, source] : files) {
    entries.push_back(ZipEntry::File(name, ReadWholeFile(source)));
  }
  WriteZip(zip_path, entries, options);
}

}  // namespace generatesheet::builder
