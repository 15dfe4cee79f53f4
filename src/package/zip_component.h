// The zip component that extracts an answer package.  Settings are assigned
// one by one, as the host of the old zip control did, then Extract() runs the
// extraction and answers a 16-bit result code: 0 on success, a distinct
// non-zero code for each kind of failure (see ZipResult).
#ifndef GENERATESHEET_PACKAGE_ZIP_COMPONENT_H_
#define GENERATESHEET_PACKAGE_ZIP_COMPONENT_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace generatesheet {

// The codes Extract answers.  The driver lets a run go on for 0 and, for the
// old control's sake, for 40; 40 is therefore never used for a failure.
enum class ZipResult : std::int16_t {
  kOk = 0,
  kArchiveUnreadable = 1,  // no archive path, archive missing or not readable
  kNotZip = 2,             // the archive is not a zip archive
  kBadEntry = 3,           // wrong or missing password, corrupt or truncated data
  kUnsafeEntry = 4,        // absolute or ".." name, link, device, repeated name
  kLimitExceeded = 5,      // too many entries, too many bytes, ratio too high
  kWriteFailed = 6,        // destination missing or a file could not be written
  kUnexpected = 7,         // anything else (e.g. out of memory)
};

// What one package may unpack.  A package over any cap is refused whole.
struct ExtractionLimits {
  // Entries of any kind, folders included.
  std::uint64_t max_entries = 10000;
  // Bytes actually produced by decompression, summed over all entries.
  std::uint64_t max_total_bytes = std::uint64_t{2} << 30;
  // Unpacked bytes per packed byte read, per entry; checked only once the
  // entry has produced more than ratio_floor_bytes.
  std::uint64_t max_ratio = 1000;
  std::uint64_t ratio_floor_bytes = std::uint64_t{1} << 20;
};

// A file outside the package that no entry may replace, with what it is
// (e.g. "生成的页面"), for the refusal.  With `same_kind`, no entry may
// replace an existing file with the same extension (any case) in its folder
// either; a new file of that kind is no harm.
struct KeptFile {
  std::string path;
  std::string role;
  bool same_kind = false;
};

// Turns the bytes of one entry into those of its file as they are unpacked
// (a database decrypted on its way to disk, never written as it came).
class EntryFilter {
 public:
  virtual ~EntryFilter() = default;
  // Appends to *out the file's bytes for the next `size` bytes of the
  // entry; false when the entry cannot be turned, which fails the
  // extraction.
  virtual bool Feed(const char* data, std::size_t size, std::string* out) = 0;
  // After the entry's last byte: appends the rest; false as Feed.
  virtual bool Finish(std::string* out) = 0;
};

using EntryFilterFactory = std::function<std::unique_ptr<EntryFilter>()>;

class ZipComponent {
 public:
  virtual ~ZipComponent() = default;

  virtual void SetZipFilename(const std::string& archive_path) = 0;   // setting 1 (id 18)
  virtual void SetUnzipToFolder(const std::string& destination) = 0;  // setting 2 (id 4)
  // Settings 3 and 4 (ids 16 and 11) meant something only to the old
  // control; they are handed over as its host did and change nothing here.
  virtual void SetOldControlFlag16(bool value) = 0;
  virtual void SetOldControlOption11(std::int16_t value) = 0;
  virtual void SetEncryptionPassword(const std::string& password) = 0;  // setting 5 (id 12)

  // Files the next extractions must leave alone besides the archive itself
  // (which is always kept).  The old control had no such setting; a
  // component that writes nowhere may ignore it.
  virtual void SetKeptFiles(std::vector<KeptFile> files) { (void)files; }

  // Has the next extractions pass the file `name` directly in the
  // destination (an entry of that name, "." parts aside) through a filter
  // `make` makes for it; an empty `make` passes every entry as it is.  A
  // component without filters ignores this and writes the entry as it is.
  // The old control had no such setting.
  virtual void SetEntryFilter(std::string name, EntryFilterFactory make) {
    (void)name;
    (void)make;
  }
  // Whether the last Extract failed because a filter refused its entry;
  // the destination is then as it was.
  virtual bool FilterRefused() const { return false; }

  // Runs the extraction (method 48; the old control's argument 0 meant
  // nothing to the extraction and is not passed).  Never throws for a bad
  // archive: the code tells the kind of failure and LastResultDescription()
  // the details.
  virtual std::int16_t Extract() = 0;
  virtual std::string LastResultDescription() const = 0;

  // The lowercase hex SHA-256 of the archive as the last successful Extract
  // read it; "" after a failure, or from a component that does not take it.
  // The old control had no such property.
  virtual std::string ArchiveSha256() const { return ""; }
};

using ZipComponentFactory = std::function<std::unique_ptr<ZipComponent>()>;

// The real component on libarchive, with the default limits or with `limits`.
std::unique_ptr<ZipComponent> CreateArchiveZipComponent();
std::unique_ptr<ZipComponent> CreateArchiveZipComponent(const ExtractionLimits& limits);

}  // namespace generatesheet

#endif  // GENERATESHEET_PACKAGE_ZIP_COMPONENT_H_
