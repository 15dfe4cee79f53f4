// Writes zip archives with libarchive's writer: plain,
// traditional PKWARE encryption ("zipcrypt") or WinZip AES-256, with entry
// names exactly as given (unsafe ones included) and optional symbolic links.
// When every name is valid UTF-8 the names are flagged as UTF-8; otherwise
// all are written as plain bytes, as old Windows tools wrote names in the
// local code page.
//
//   WriteZip(dir.File("1001.zip"),
//            {ZipEntry::File("Analysis.mdb", bytes), ZipEntry::Symlink("x", "/etc")},
//            {.encryption = ZipEncryption::kAes256});
#ifndef GENERATESHEET_BUILDER_PACKAGE_ZIP_ARCHIVE_H_
#define GENERATESHEET_BUILDER_PACKAGE_ZIP_ARCHIVE_H_

#include <cstdint>
#include <string>
#include <vector>

namespace generatesheet::builder {

struct ZipEntry {
  enum class Kind { kFile, kDirectory, kSymlink };

  static ZipEntry File(std::string name, std::string content);
  static ZipEntry Directory(std::string name);
  static ZipEntry Symlink(std::string name, std::string target);

  std::string name;
  Kind kind = Kind::kFile;
  std::string content;  // a file's bytes, or a symbolic link's target
};

enum class ZipEncryption { kNone, kZipCrypto, kAes256 };

struct ZipWriteOptions {
  ZipEncryption encryption = ZipEncryption::kNone;
  std::string password = "qvk";     // used only with encryption
  bool deflate = true;              // false: entries are stored
  std::int64_t mtime = 1600000000;  // every entry's modification time
};

// Writes (or replaces) the archive at `path`.  Throws Error with
// libarchive's message on failure.
void WriteZip(const std::string& path, const std::vector<ZipEntry>& entries,
              const ZipWriteOptions& options = {});

}  // namespace generatesheet::builder

#endif  // GENERATESHEET_BUILDER_PACKAGE_ZIP_ARCHIVE_H_
