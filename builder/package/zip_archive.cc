#include "builder/package/zip_archive.h"

#include <archive.h>
#include <archive_entry.h>

#include <locale.h>

#include <cwchar>
#include <memory>
#include <stdexcept>

#include "util/error.h"

namespace generatesheet::builder {

namespace {

struct WriterCloser {
  void operator()(struct archive* handle) const { archive_write_free(handle); }
};
struct EntryFreer {
  void operator()(struct archive_entry* entry) const { archive_entry_free(entry); }
};

void Check(struct archive* handle, int result, const std::string& what) {
  if (result < ARCHIVE_WARN) {
    const char* message = archive_error_string(handle);
    throw Error("写入压缩包失败：" + what + "：" + (message ? message : "未知错误"));
  }
}

// libarchive converts names through the calling thread's character type:
// under a UTF-8 one it flags every name as UTF-8, under "C" it writes the
// bytes unflagged.
class ThreadLocale {
 public:
  explicit ThreadLocale(const char* name) : locale_(newlocale(LC_CTYPE_MASK, name, locale_t{})) {
    if (locale_ != locale_t{}) previous_ = uselocale(locale_);
  }
  ~ThreadLocale() {
    if (locale_ == locale_t{}) return;
    uselocale(previous_);
    freelocale(locale_);
  }

 private:
  locale_t locale_;
  locale_t previous_{};
};

bool IsUtf8(const std::string& text) {
  mbstate_t state{};
  ThreadLocale utf8("C.UTF-8");
  const char* p = text.data();
  size_t left = text.size();
  while (left > 0) {
    size_t n = mbrtowc(nullptr, p, left, &state);
    if (n == static_cast<size_t>(-1) || n == static_cast<size_t>(-2)) return false;
    if (n == 0) n = 1;
    p += n;
    left -= n;
  }
  return true;
}

bool AllNamesUtf8(const std::vector<ZipEntry>& entries) {
  for (const ZipEntry& entry : entries) {
    if (!IsUtf8(entry.name)) return false;
  }
  return true;
}

const char* EncryptionOption(ZipEncryption encryption) {
  switch (encryption) {
    case ZipEncryption::kZipCrypto:
      return "zip:encryption=zipcrypt";
    case ZipEncryption::kAes256:
      return "zip:encryption=aes256";
    case ZipEncryption::kNone:
      break;
  }
  return nullptr;
}

void WriteEntry(struct archive* handle, const ZipEntry& spec, const ZipWriteOptions& options) {
  std::unique_ptr<struct archive_entry, EntryFreer> entry(archive_entry_new());
  archive_entry_set_pathname(entry.get(), spec.name.c_str());
  archive_entry_set_mtime(entry.get(), options.mtime, 0);
  switch (spec.kind) {
    case ZipEntry::Kind::kFile:
      archive_entry_set_filetype(entry.get(), AE_IFREG);
      archive_entry_set_perm(entry.get(), 0644);
      archive_entry_set_size(entry.get(), static_cast<la_int64_t>(spec.content.size()));
      break;
    case ZipEntry::Kind::kDirectory:
      archive_entry_set_filetype(entry.get(), AE_IFDIR);
      archive_entry_set_perm(entry.get(), 0755);
      break;
    case ZipEntry::Kind::kSymlink:
      archive_entry_set_filetype(entry.get(), AE_IFLNK);
      archive_entry_set_perm(entry.get(), 0777);
      archive_entry_set_symlink(entry.get(), spec.content.c_str());
      break;
  }
  Check(handle, archive_write_header(handle, entry.get()), "header of " + spec.name);
  if (spec.kind == ZipEntry::Kind::kFile && !spec.content.empty()) {
    la_ssize_t written = archive_write_data(handle, spec.content.data(), spec.content.size());
    if (written != static_cast<la_ssize_t>(spec.content.size())) {
      Check(handle, ARCHIVE_FATAL, "data of " + spec.name);
    }
  }
}

}  // namespace

ZipEntry ZipEntry::File(std::string name, std::string content) {
  return ZipEntry{std::move(name), Kind::kFile, std::move(content)};
}

ZipEntry ZipEntry::Directory(std::string name) {
  return ZipEntry{std::move(name), Kind::kDirectory, ""};
}

ZipEntry ZipEntry::Symlink(std::string name, std::string target) {
  return ZipEntry{std::move(name), Kind::kSymlink, std::move(target)};
}

void WriteZip(const std::string& path, const std::vector<ZipEntry>& entries,
              const ZipWriteOptions& options) {
  ThreadLocale locale(AllNamesUtf8(entries) ? "C.UTF-8" : "C");
  std::unique_ptr<struct archive, WriterCloser> handle(archive_write_new());
  struct archive* a = handle.get();
  Check(a, archive_write_set_format_zip(a), "zip format");
  if (!options.deflate) Check(a, archive_write_set_options(a, "zip:compression=store"), "store");
  if (const char* option = EncryptionOption(options.encryption)) {
    Check(a, archive_write_set_options(a, option), option);
    Check(a, archive_write_set_passphrase(a, options.password.c_str()), "passphrase");
  }
  Check(a, archive_write_open_filename(a, path.c_str()), "open " + path);
  for (const ZipEntry& entry : entries) WriteEntry(a, entry, options);
  Check(a, archive_write_close(a), "close " + path);
}

}  // namespace generatesheet::builder
