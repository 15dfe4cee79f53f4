// The zip component on libarchive.  Extract() extracts the archive named by
// setting 1 into the folder of setting 2, reading entries that are stored,
// deflated, or encrypted with traditional PKWARE encryption or WinZip AES
// under the password of setting 5.  Settings 3 and 4 are kept and have no
// effect.
//
// An extraction reads the archive twice.  The first walk checks every entry
// header (see ExtractionManifest) and the entry count; an unsafe package is
// refused before anything is written.  The second walk unpacks every file
// into a staging folder inside the destination, counting the bytes actually
// produced against the limits; only when all of them are complete are they
// moved into place, replacing files of the same name, unless one of them is
// the archive itself or a kept file (see ExtractionStaging).  The second
// walk also takes the archive's SHA-256 from the bytes it reads.  Each
// extraction first removes the temporaries a killed run left in the
// destination (util/leftover_files.h).  On any failure the
// destination is left as it was, and Extract answers the code of ZipResult
// with a Chinese description naming the archive and the entry at fault.
//
// A file given a filter (SetEntryFilter) is staged as the filter turns it;
// a filter that refuses fails the extraction like a damaged entry.
//
// Paths are taken as they stand: "\" is part of a name, never a separator.
// Not safe for concurrent use of one object.
#ifndef GENERATESHEET_PACKAGE_ARCHIVE_ZIP_COMPONENT_H_
#define GENERATESHEET_PACKAGE_ARCHIVE_ZIP_COMPONENT_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "package/extraction_status.h"
#include "package/zip_component.h"

namespace generatesheet {

class ExtractionArchiveReader;
class ExtractionManifest;
class ExtractionStaging;
struct ManifestEntry;

class ArchiveZipComponent : public ZipComponent {
 public:
  explicit ArchiveZipComponent(const ExtractionLimits& limits = ExtractionLimits());

  void SetLimits(const ExtractionLimits& limits) { limits_ = limits; }

  void SetZipFilename(const std::string& archive_path) override { archive_path_ = archive_path; }
  void SetUnzipToFolder(const std::string& destination) override { destination_ = destination; }
  void SetOldControlFlag16(bool /*value*/) override {}
  void SetOldControlOption11(std::int16_t /*value*/) override {}
  void SetEncryptionPassword(const std::string& password) override { password_ = password; }
  void SetKeptFiles(std::vector<KeptFile> files) override { kept_files_ = std::move(files); }
  void SetEntryFilter(std::string name, EntryFilterFactory make) override {
    filter_name_ = std::move(name);
    make_filter_ = std::move(make);
  }
  bool FilterRefused() const override { return filter_refused_; }

  std::int16_t Extract() override;
  // The description of the last Extract's failure; empty after a success.
  std::string LastResultDescription() const override { return last_description_; }
  std::string ArchiveSha256() const override { return archive_sha256_; }

 private:
  ExtractionStatus ExtractPackage(std::string* sha256) const;
  ExtractionStatus Scan(const std::string& archive, ExtractionManifest* manifest) const;
  ExtractionStatus Unpack(const std::string& archive, const ExtractionManifest& manifest,
                          ExtractionStaging* staging, std::string* sha256) const;
  ExtractionStatus UnpackFile(const std::string& archive, const ManifestEntry& entry,
                              ExtractionArchiveReader* reader, ExtractionStaging* staging,
                              std::uint64_t* total_bytes) const;
  // Whether `entry`'s file goes through the filter; the filter, or null.
  bool Filters(const ManifestEntry& entry) const;
  std::unique_ptr<EntryFilter> FilterFor(const ManifestEntry& entry) const;
  ExtractionStatus Staged(ExtractionStaging* staging, EntryFilter* filter,
                          const ManifestEntry& entry, const char* data, std::size_t size,
                          bool last) const;

  ExtractionLimits limits_;
  std::string archive_path_;
  std::string destination_;
  std::string password_;
  std::vector<KeptFile> kept_files_;
  std::string filter_name_;
  EntryFilterFactory make_filter_;
  // Set by the extraction that a filter refused (Extract clears it).
  mutable bool filter_refused_ = false;
  std::string last_description_;
  std::string archive_sha256_;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_PACKAGE_ARCHIVE_ZIP_COMPONENT_H_
