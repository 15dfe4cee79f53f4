// Reads a zip archive entry by entry: the one owner of a libarchive read
// handle.  Each Open starts from the beginning of the file, so a package can
// be walked twice (once to check the names, once to unpack).  Every byte
// of the file, headers and data alike, is read through one descriptor and
// can be handed to an ArchiveDigest as it is read.
//
// The data of WinZip AES-256 entries is read past libarchive, which is slow
// at it (see AesEntryReader); everything else, and every header, goes
// through libarchive.
//
// Names come out the same whatever locale the host runs in: while a reader
// lives, its thread decodes in UTF-8, so names flagged as UTF-8 come out as
// UTF-8 and other names as the bytes the archive holds.
#ifndef GENERATESHEET_PACKAGE_EXTRACTION_ARCHIVE_READER_H_
#define GENERATESHEET_PACKAGE_EXTRACTION_ARCHIVE_READER_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "package/aes_entry_reader.h"
#include "package/archive_digest.h"
#include "package/extraction_manifest.h"
#include "package/extraction_status.h"
#include "package/zip_directory.h"
#include "util/file_descriptor.h"

struct archive;

namespace generatesheet {

struct EntryHeader {
  std::string name;        // empty when name_known is false
  bool name_known = true;  // false when the name cannot be decoded
  EntryKind kind = EntryKind::kFile;
  std::optional<std::int64_t> mtime_seconds;  // when the archive records one
};

class ExtractionArchiveReader {
 public:
  ExtractionArchiveReader();
  ~ExtractionArchiveReader();
  ExtractionArchiveReader(const ExtractionArchiveReader&) = delete;
  ExtractionArchiveReader& operator=(const ExtractionArchiveReader&) = delete;

  // Opens the zip archive at `path` (a native path, never empty).  An empty
  // `password` reads unencrypted entries only.  Fails with kArchiveUnreadable
  // when the file cannot be read and kNotZip when it is not a zip archive.
  // With `digest`, every byte read from the file is reported to it (which
  // must outlive this reader's reads).
  ExtractionStatus Open(const std::string& path, const std::string& password,
                        ArchiveDigest* digest = nullptr);

  // The next entry's header into *header; *at_end instead when none is left.
  // Fails with kBadEntry when the archive is corrupt or truncated.
  ExtractionStatus Next(EntryHeader* header, bool* at_end);

  // Up to `size` bytes of the current entry's data: the count read, 0 at its
  // end, -1 on failure (wrong or missing password, corrupt data; see
  // ErrorText()).
  std::ptrdiff_t Read(char* buffer, std::size_t size);

  // Bytes of the archive file consumed so far.
  std::int64_t BytesConsumed() const;

  // The last failure in Chinese: libarchive's description where it is one
  // of the known ones, else `fallback` (with libarchive's text after it,
  // when there is one).
  std::string ErrorText(const char* fallback) const;

  // The descriptor of the file open since Open; -1 before.
  int file() const { return source_.fd.get(); }

 private:
  struct Closer {
    void operator()(struct archive* handle) const;
  };
  class ThreadLocaleScope;

  // What libarchive reads through: the file, where it is, and a block.
  struct Source {
    FileDescriptor fd;
    std::string path;
    std::int64_t offset = 0;
    ArchiveDigest* digest = nullptr;
    std::unique_ptr<char[]> block;
  };
  static std::ptrdiff_t ReadBlock(struct archive* handle, void* source, const void** data);
  static std::int64_t SkipBytes(struct archive* handle, void* source, std::int64_t request);
  static std::int64_t SeekTo(struct archive* handle, void* source, std::int64_t offset, int whence);

  // The direct reader for the current entry when it is an AES entry that
  // reader handles, else null.
  std::unique_ptr<AesEntryReader> DirectReader();

  std::string path_;
  std::string password_;
  std::unique_ptr<ThreadLocaleScope> locale_;  // outlives handle_
  Source source_;                              // outlives handle_
  std::unique_ptr<struct archive, Closer> handle_;
  std::string last_entry_;  // for descriptions of a failure between entries

  // The current entry: whether libarchive says its data is encrypted, and
  // whether its data has been asked for yet.
  bool entry_encrypted_ = false;
  bool entry_started_ = false;
  // Read on the first AES entry read: the archive's central directory.
  std::unique_ptr<ZipDirectory> directory_;
  std::unique_ptr<AesEntryReader> direct_;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_PACKAGE_EXTRACTION_ARCHIVE_READER_H_
