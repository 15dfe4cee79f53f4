// The files of one package, unpacked into a hidden staging folder inside the
// destination and moved into place only once the whole package has been
// read.  A package that fails anywhere before Commit leaves the destination
// as it was: the destructor removes the staged files and the staging folder.
// Files are not flushed to disk: they can always be extracted again from
// the package, and every run does so before it reads them.
//
// Folders are created and files moved through descriptors of the folders
// themselves, never following a symbolic link below the destination.
#ifndef GENERATESHEET_PACKAGE_EXTRACTION_STAGING_H_
#define GENERATESHEET_PACKAGE_EXTRACTION_STAGING_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "package/extraction_manifest.h"
#include "package/extraction_status.h"
#include "util/file_descriptor.h"

namespace generatesheet {

class ExtractionStaging {
 public:
  ExtractionStaging() = default;
  ~ExtractionStaging();
  ExtractionStaging(const ExtractionStaging&) = delete;
  ExtractionStaging& operator=(const ExtractionStaging&) = delete;

  // Opens the existing folder `destination` (a native path) and creates the
  // staging folder in it.  Fails with kWriteFailed.
  ExtractionStatus Open(const std::string& destination);

  // Stages the file of manifest entry `index`: Begin, Append its bytes, then
  // Finish.  Each fails with kWriteFailed naming the entry's target path.
  ExtractionStatus Begin(std::size_t index, const ManifestEntry& entry);
  ExtractionStatus Append(const char* data, std::size_t size);
  ExtractionStatus Finish(std::optional<std::int64_t> mtime_seconds);

  // Moves every staged file of `entries` (the manifest whose indexes were
  // staged) into place, replacing files of the same name, and creates the
  // folders they need.  Every target is checked before the first move, so a
  // file standing where a folder is needed (or the reverse) or a symbolic
  // link on the way fails with kWriteFailed before anything changes.  A
  // move the system refuses after those checks (an I/O error, a folder
  // changed meanwhile) fails with kWriteFailed and leaves the files moved
  // before it in place; each of them is complete.
  ExtractionStatus Commit(const std::vector<ManifestEntry>& entries);

 private:
  ExtractionStatus CheckTarget(const ManifestEntry& entry) const;
  ExtractionStatus Place(std::size_t index, const ManifestEntry& entry);
  ExtractionStatus WriteFailure(const ManifestEntry& entry, int error) const;
  std::string TargetPath(const ManifestEntry& entry) const;
  void Discard();

  std::string destination_;
  FileDescriptor destination_fd_;
  std::string staging_name_;  // empty until the staging folder exists
  FileDescriptor staging_fd_;
  std::set<std::size_t> staged_;  // indexes whose files are in the staging folder
  FileDescriptor current_fd_;     // the file being written
  const ManifestEntry* current_entry_ = nullptr;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_PACKAGE_EXTRACTION_STAGING_H_
