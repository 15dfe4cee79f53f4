#include "package/extraction_archive_reader.h"

#include <archive.h>
#include <archive_entry.h>

#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "util/error.h"

namespace generatesheet {

namespace {

constexpr size_t kReadBlockSize = 64 * 1024;

// libarchive's code for "not an archive it knows" (ARCHIVE_ERRNO_FILE_FORMAT
// in its own sources, EILSEQ on platforms without EFTYPE).
#ifdef EFTYPE
constexpr int kFormatErrno = EFTYPE;
#else
constexpr int kFormatErrno = EILSEQ;
#endif

EntryKind KindOf(struct archive_entry* entry) {
  if (archive_entry_hardlink(entry) != nullptr) return EntryKind::kHardlink;
  switch (archive_entry_filetype(entry)) {
    case AE_IFREG:
      return EntryKind::kFile;
    case AE_IFDIR:
      return EntryKind::kDirectory;
    case AE_IFLNK:
      return EntryKind::kSymlink;
    default:
      return EntryKind::kSpecial;
  }
}

}  // namespace

// Switches the calling thread (only) to a UTF-8 character type for as long
// as it lives; a no-op where the system lacks such a locale.
class ExtractionArchiveReader::ThreadLocaleScope {
 public:
  ThreadLocaleScope() : utf8_(newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{})) {
    if (utf8_ != locale_t{}) previous_ = uselocale(utf8_);
  }
  ~ThreadLocaleScope() {
    if (utf8_ == locale_t{}) return;
    uselocale(previous_);
    freelocale(utf8_);
  }
  ThreadLocaleScope(const ThreadLocaleScope&) = delete;
  ThreadLocaleScope& operator=(const ThreadLocaleScope&) = delete;

 private:
  locale_t utf8_;
  locale_t previous_{};
};

void ExtractionArchiveReader::Closer::operator()(struct archive* handle) const {
  archive_read_free(handle);
}

ExtractionArchiveReader::ExtractionArchiveReader()
    : locale_(std::make_unique<ThreadLocaleScope>()) {}
ExtractionArchiveReader::~ExtractionArchiveReader() = default;

std::ptrdiff_t ExtractionArchiveReader::ReadBlock(struct archive* handle, void* source,
                                                  const void** data) {
  auto* file = static_cast<Source*>(source);
  for (;;) {
    const ssize_t n = ::read(file->fd.get(), file->block.get(), kReadBlockSize);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      archive_set_error(handle, errno, "Error reading '%s'", file->path.c_str());
      return -1;
    }
    if (file->digest != nullptr) {
      file->digest->Saw(static_cast<std::uint64_t>(file->offset), file->block.get(),
                        static_cast<std::size_t>(n));
    }
    file->offset += n;
    *data = file->block.get();
    return n;
  }
}

std::int64_t ExtractionArchiveReader::SkipBytes(struct archive* handle, void* source,
                                                std::int64_t request) {
  return SeekTo(handle, source, request, SEEK_CUR) < 0 ? -1 : request;
}

std::int64_t ExtractionArchiveReader::SeekTo(struct archive* handle, void* source,
                                             std::int64_t offset, int whence) {
  auto* file = static_cast<Source*>(source);
  const off_t at = ::lseek(file->fd.get(), static_cast<off_t>(offset), whence);
  if (at < 0) {
    archive_set_error(handle, errno, "Error seeking in '%s'", file->path.c_str());
    return ARCHIVE_FATAL;
  }
  file->offset = at;
  return at;
}

ExtractionStatus ExtractionArchiveReader::Open(const std::string& path, const std::string& password,
                                               ArchiveDigest* digest) {
  path_ = path;
  password_ = password;
  last_entry_.clear();
  direct_.reset();
  directory_.reset();
  handle_.reset();  // before the file it reads is closed
  source_.fd.Reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!source_.fd.valid()) {
    return ExtractionStatus::Failure(ZipResult::kArchiveUnreadable,
                                     SystemError("无法打开答卷包", path, errno).what());
  }
  source_.path = path;
  source_.offset = 0;
  source_.digest = digest;
  if (!source_.block) source_.block = std::make_unique<char[]>(kReadBlockSize);
  handle_.reset(archive_read_new());
  if (!handle_) return ExtractionStatus::Failure(ZipResult::kUnexpected, "无法创建解压器");
  archive_read_support_format_zip(handle_.get());
  // libarchive refuses an empty passphrase; without one, encrypted entries
  // fail as "password required" when their data is read.
  if (!password.empty()) archive_read_add_passphrase(handle_.get(), password.c_str());

  // A regular file can be sought in, so its central directory is read
  // first, as libarchive does for a file it opens by name.
  struct archive* handle = handle_.get();
  struct stat info {};
  const bool seekable = ::fstat(source_.fd.get(), &info) == 0 && S_ISREG(info.st_mode);
  archive_read_set_callback_data(handle, &source_);
  archive_read_set_read_callback(handle, ReadBlock);
  if (seekable) {
    archive_read_set_skip_callback(handle, SkipBytes);
    archive_read_set_seek_callback(handle, SeekTo);
  }
  if (archive_read_open1(handle) == ARCHIVE_OK) return ExtractionStatus::Ok();
  int error = archive_errno(handle);
  if (error == kFormatErrno) {
    return ExtractionStatus::Failure(ZipResult::kNotZip, "答卷包不是 zip 文件：" + path);
  }
  if (error > 0) {
    return ExtractionStatus::Failure(ZipResult::kArchiveUnreadable,
                                     SystemError("无法打开答卷包", path, error).what());
  }
  return ExtractionStatus::Failure(
      ZipResult::kArchiveUnreadable,
      "无法打开答卷包：" + path + "（" + ErrorText("无法识别文件内容") + "）");
}

ExtractionStatus ExtractionArchiveReader::Next(EntryHeader* header, bool* at_end) {
  struct archive_entry* entry = nullptr;
  int r = archive_read_next_header(handle_.get(), &entry);
  *at_end = r == ARCHIVE_EOF;
  if (r == ARCHIVE_EOF) return ExtractionStatus::Ok();
  if (r != ARCHIVE_OK && r != ARCHIVE_WARN) {
    std::string where = last_entry_.empty() ? "" : "（条目“" + last_entry_ + "”之后）";
    return ExtractionStatus::Failure(ZipResult::kBadEntry,
                                     "答卷包已损坏或不完整：" + path_ + where + "：" +
                                         ErrorText("下一个条目的头部无法读取，文件已损坏或被截断"));
  }
  const char* name = archive_entry_pathname(entry);
  if (name == nullptr) name = archive_entry_pathname_utf8(entry);
  header->name_known = name != nullptr;
  header->name = name != nullptr ? name : "";
  header->kind = KindOf(entry);
  header->mtime_seconds.reset();
  if (archive_entry_mtime_is_set(entry)) header->mtime_seconds = archive_entry_mtime(entry);
  last_entry_ = header->name;
  entry_encrypted_ = archive_entry_is_data_encrypted(entry) != 0;
  entry_started_ = false;
  direct_.reset();
  return ExtractionStatus::Ok();
}

std::unique_ptr<AesEntryReader> ExtractionArchiveReader::DirectReader() {
  if (!entry_encrypted_ || password_.empty()) return nullptr;
  if (!directory_) directory_ = std::make_unique<ZipDirectory>(ZipDirectory::Read(file()));
  const AesZipEntry* entry = directory_->FindAes(last_entry_);
  if (entry == nullptr) return nullptr;
  auto reader = std::make_unique<AesEntryReader>();
  if (!reader->Begin(file(), *entry, password_, source_.digest)) return nullptr;
  return reader;
}

std::ptrdiff_t ExtractionArchiveReader::Read(char* buffer, std::size_t size) {
  if (!entry_started_) {
    entry_started_ = true;
    direct_ = DirectReader();
  }
  if (direct_) return direct_->Read(buffer, size);
  la_ssize_t n = archive_read_data(handle_.get(), buffer, size);
  return n < 0 ? -1 : static_cast<std::ptrdiff_t>(n);
}

std::int64_t ExtractionArchiveReader::BytesConsumed() const {
  const std::int64_t direct =
      direct_ ? static_cast<std::int64_t>(direct_->PackedBytesConsumed()) : 0;
  return archive_filter_bytes(handle_.get(), -1) + direct;
}

std::string ExtractionArchiveReader::ErrorText(const char* fallback) const {
  if (direct_ && !direct_->error().empty()) return direct_->error();
  // libarchive's own texts for the faults a package shows most, in Chinese;
  // any other is kept after the general reason.
  static constexpr std::pair<const char*, const char*> kKnown[] = {
      {"Incorrect passphrase", "密码错误"},
      {"Passphrase required for this entry", "条目已加密，需要密码"},
      {"Truncated ZIP file header", "条目头部不完整，文件已被截断"},
      {"Truncated ZIP file data", "条目数据不完整，文件已被截断"},
      {"ZIP bad CRC", "条目数据的校验和不符，数据已损坏"},
      {"ZIP compressed data is wrong size", "条目数据的长度与记录不符，数据已损坏"},
      {"Bad ZIP file", "文件不是完整的 zip 文件"},
      {"Damaged ZIP archive", "zip 文件已损坏"},
      {"Truncated input file (needed", "文件已被截断"},
  };
  const char* text = archive_error_string(handle_.get());
  if (text == nullptr || *text == '\0') return fallback;
  for (const auto& [english, chinese] : kKnown) {
    if (std::strncmp(text, english, std::strlen(english)) == 0) return chinese;
  }
  return std::string(fallback) + "（" + text + "）";
}

}  // namespace generatesheet
