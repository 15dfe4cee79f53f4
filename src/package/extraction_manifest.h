// The entries of one package, checked before anything is written.  A package
// is refused whole when an entry name is absolute or climbs out with "..",
// when an entry is a link, a device, a fifo or a socket, or when two entries
// land on the same path (a repeated name, or a file where another entry
// needs a folder).  "\" in entry names separates folders like "/".
#ifndef GENERATESHEET_PACKAGE_EXTRACTION_MANIFEST_H_
#define GENERATESHEET_PACKAGE_EXTRACTION_MANIFEST_H_

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace generatesheet {

enum class EntryKind { kFile, kDirectory, kSymlink, kHardlink, kSpecial };

struct ManifestEntry {
  std::string name;                     // as the archive spells it
  EntryKind kind = EntryKind::kFile;    // kFile or kDirectory once accepted
  std::vector<std::string> components;  // the path inside the destination
};

// The folders of `name` below the destination, without "." and empty parts.
// Answers the Chinese reason instead when the name is absolute or holds a
// ".." part.
struct SplitEntryName {
  std::vector<std::string> components;
  std::string refusal;  // empty when the name is acceptable
};
SplitEntryName SplitEntryPath(std::string_view name);

class ExtractionManifest {
 public:
  // Records the next entry of the archive.  Answers the Chinese reason the
  // entry makes the package unsafe, or nothing when it was accepted.
  std::optional<std::string> Add(const std::string& name, EntryKind kind);

  const std::vector<ManifestEntry>& entries() const { return entries_; }

 private:
  enum class PathUse { kFile, kDirectory, kParent };

  std::optional<std::string> Claim(const std::string& path, PathUse use);

  std::vector<ManifestEntry> entries_;
  std::map<std::string, PathUse> paths_;  // joined with "/"
};

}  // namespace generatesheet

#endif  // GENERATESHEET_PACKAGE_EXTRACTION_MANIFEST_H_
