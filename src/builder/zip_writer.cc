// Writes a zip archive with libarchive, optionally password-protected.
#include <archive.h>
#include <archive_entry.h>
#include <sys/stat.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "builder/answer_package.h"
#include "util/error.h"
#include "util/file_util.h"

namespace generatesheet::builder {

namespace {

struct ArchiveWriteDeleter {
  void operator()(archive* a) const { archive_write_free(a); }
};
struct EntryDeleter {
  void operator()(archive_entry* e) const { archive_entry_free(e); }
};

void Check(archive* a, int rc, const std::string& zip_path) {
  if (rc < ARCHIVE_WARN) {
    throw Error("写入压缩包失败：" + zip_path + "：" + archive_error_string(a));
  }
}

}  // namespace

void WriteZip(const std::string& zip_path, const std::map<std::string, std::string>& files,
              const std::string& password, const std::string& encryption) {
  std::unique_ptr<archive, ArchiveWriteDeleter> a(archive_write_new());
  Check(a.get(), archive_write_set_format_zip(a.get()), zip_path);
  if (!encryption.empty()) {
    Check(a.get(), archive_write_set_options(a.get(), ("zip:encryption=" + encryption).c_str()),
          zip_path);
    Check(a.get(), archive_write_set_passphrase(a.get(), password.c_str()), zip_path);
  }
  Check(a.get(), archive_write_open_filename(a.get(), zip_path.c_str()), zip_path);
  for (const auto& [name, source] : files) {
    const std::string content = ReadWholeFile(source);
    std::unique_ptr<archive_entry, EntryDeleter> entry(archive_entry_new());
    archive_entry_set_pathname(entry.get(), name.c_str());
    archive_entry_set_size(entry.get(), static_cast<la_int64_t>(content.size()));
    archive_entry_set_filetype(entry.get(), AE_IFREG);
    archive_entry_set_perm(entry.get(), 0644);
    Check(a.get(), archive_write_header(a.get(), entry.get()), zip_path);
    if (archive_write_data(a.get(), content.data(), content.size()) < 0) {
      Check(a.get(), ARCHIVE_FATAL, zip_path);
    }
  }
  Check(a.get(), archive_write_close(a.get()), zip_path);
}

}  // namespace generatesheet::builder
