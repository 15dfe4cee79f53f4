// The files of one package, unpacked into a hidden staging folder inside the
// destination and moved into place only once the whole package has been
// read.  A package that fails anywhere before Commit leaves the destination
// as it was: the destructor removes the staged files and the staging folder.
// Files are not flushed to disk: they can always be extracted again from
// the package, and every run does so before it reads them.
//
// Folders are created and files moved through descriptors of the folders
// themselves, never following a symbolic link below the destination.
//
// No entry may replace a kept file: the archive itself, the files the host
// names (see KeptFile), or an existing file of the same kind as one kept
// with same_kind in its folder (another package beside the archive, which
// is always kept so).  An entry that would create a new file of such a kind
// is accepted, and its file never replaces one that appears meanwhile.  An
// entry whose bytes equal the existing kept file's is accepted too and
// leaves that file in place (a package run again finds the .zip or .html
// files its first run extracted).  Kept files are recognised by their folder
// and name, and, when they exist, by their inode, so another spelling of the
// path or a second hard link makes no difference.
#ifndef GENERATESHEET_PACKAGE_EXTRACTION_STAGING_H_
#define GENERATESHEET_PACKAGE_EXTRACTION_STAGING_H_

#include <sys/stat.h>
#include <sys/types.h>

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

  // Opens the existing folder `destination` (a native path) and notes the
  // kept files; `archive` (a native path) is kept and named in refusals.
  // Writes nothing.  Fails with kWriteFailed.
  ExtractionStatus Open(const std::string& destination, const std::string& archive,
                        const std::vector<KeptFile>& kept);

  // Checks where the entries would land before anything is written: a new
  // file where a kept one is fails with kUnsafeEntry, a file standing where
  // a folder is needed (or the reverse) or a symbolic link on the way with
  // kWriteFailed.  An existing kept file is settled by Commit, which
  // compares its bytes with the entry's.
  ExtractionStatus CheckTargets(const std::vector<ManifestEntry>& entries) const;

  // Stages the file of manifest entry `index`: Begin, Append its bytes, then
  // Finish.  Each fails with kWriteFailed naming the entry's target path.
  // The first Begin creates the staging folder, held as in use (see
  // util/leftover_files.h) until it goes.
  ExtractionStatus Begin(std::size_t index, const ManifestEntry& entry);
  ExtractionStatus Append(const char* data, std::size_t size);
  ExtractionStatus Finish(std::optional<std::int64_t> mtime_seconds);

  // Moves every staged file of `entries` (the manifest whose indexes were
  // staged) into place, replacing files of the same name, and creates the
  // folders they need.  Every target is checked again (CheckTargets) before
  // the first move, so nothing changes when a check fails; an existing kept
  // file is left as it is when the entry's bytes equal its own, and fails
  // with kUnsafeEntry otherwise.  A
  // move the system refuses after those checks (an I/O error, a folder
  // changed meanwhile) fails with kWriteFailed and leaves the files moved
  // before it in place; each of them is complete.
  ExtractionStatus Commit(const std::vector<ManifestEntry>& entries);

 private:
  // A kept file, as its folder's inode and its name, and its own inode when
  // it exists.
  struct Kept {
    dev_t folder_device = 0;
    ino_t folder_inode = 0;
    std::string name;
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    std::string extension;  // lower case, with its dot; empty unless same_kind
    std::string path;
    std::string role;
    std::string kind;  // what files of `extension` in its folder are, for refusals
  };

  // `kind` names the files of its kind for refusals, when the role does not.
  void NoteKept(const KeptFile& file, const std::string& kind = "");
  ExtractionStatus OpenStagingFolder();
  // `*kept_existing` tells a refusal that concerns an existing kept file,
  // which an entry of the same bytes may still meet.
  ExtractionStatus CheckTarget(const ManifestEntry& entry, bool* kept_existing) const;
  ExtractionStatus CheckKept(const ManifestEntry& entry, const std::string& folder,
                             const struct stat* existing, bool* kept_existing) const;
  // Whether staged file `index` holds the same bytes as the existing file
  // of `entry`.
  bool SameAsExisting(std::size_t index, const ManifestEntry& entry) const;
  std::string Refusal(const ManifestEntry& entry, const std::string& what) const;
  static bool IsOfKind(const Kept& kept, const std::string& name);
  // Whether a file `name` in the folder open as `folder_fd` is of a kept kind.
  bool InKeptKind(int folder_fd, const std::string& name) const;
  ExtractionStatus Place(std::size_t index, const ManifestEntry& entry);
  // Renames staged file `index` to `name` in `folder_fd`; false with errno.
  bool MoveIntoPlace(std::size_t index, int folder_fd, const std::string& name) const;
  ExtractionStatus WriteFailure(const ManifestEntry& entry, int error) const;
  std::string TargetPath(const ManifestEntry& entry) const;
  void Discard();

  std::string destination_;
  std::string archive_;
  std::vector<Kept> kept_;
  FileDescriptor destination_fd_;
  std::string staging_name_;  // empty until the staging folder exists
  FileDescriptor staging_fd_;
  std::set<std::size_t> staged_;         // indexes whose files are in the staging folder
  std::set<std::size_t> already_there_;  // indexes whose kept file holds their bytes
  FileDescriptor current_fd_;            // the file being written
  const ManifestEntry* current_entry_ = nullptr;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_PACKAGE_EXTRACTION_STAGING_H_
