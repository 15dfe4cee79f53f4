// The entries of one package, checked before anything is written.  A package
// is refused whole when an entry name is absolute or climbs out with "..",
// is longer or deeper than a package needs, when an entry is a link, a
// device, a fifo or a socket, or when two entries land on the same path (a
// repeated name, or a file where another entry needs a folder).  Which
// files already in the destination no entry may replace is decided where
// they are (ExtractionStaging).  "\" in entry names separates folders like
// "/".
//
// Every check costs time and memory in proportion to the names' length.
#ifndef GENERATESHEET_PACKAGE_EXTRACTION_MANIFEST_H_
#define GENERATESHEET_PACKAGE_EXTRACTION_MANIFEST_H_

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace generatesheet {

enum class EntryKind { kFile, kDirectory, kSymlink, kHardlink, kSpecial };

// The longest entry name (in bytes) and the most folders one may go down.
inline constexpr std::size_t kMaxEntryNameBytes = 1024;
inline constexpr std::size_t kMaxEntryDepth = 64;

struct ManifestEntry {
  std::string name;                     // as the archive spells it
  EntryKind kind = EntryKind::kFile;    // kFile or kDirectory once accepted
  std::vector<std::string> components;  // the path inside the destination
};

// The folders of `name` below the destination, without "." and empty parts.
// Answers the Chinese reason instead when the name is empty, absolute, holds
// a ".." part, or passes kMaxEntryNameBytes or kMaxEntryDepth.
struct SplitEntryName {
  std::vector<std::string> components;
  std::string refusal;  // empty when the name is acceptable
};
SplitEntryName SplitEntryPath(std::string_view name);

class ExtractionManifest {
 public:
  ExtractionManifest();
  ~ExtractionManifest();
  ExtractionManifest(const ExtractionManifest&) = delete;
  ExtractionManifest& operator=(const ExtractionManifest&) = delete;

  // Records the next entry of the archive.  Answers the Chinese reason the
  // entry makes the package unsafe, or nothing when it was accepted.
  std::optional<std::string> Add(const std::string& name, EntryKind kind);

  const std::vector<ManifestEntry>& entries() const { return entries_; }

 private:
  // One path inside the destination and what the entries so far made of it.
  struct PathNode;

  std::optional<std::string> Claim(const std::vector<std::string>& parts, EntryKind kind);

  std::vector<ManifestEntry> entries_;
  std::unique_ptr<PathNode> root_;  // the destination itself
};

}  // namespace generatesheet

#endif  // GENERATESHEET_PACKAGE_EXTRACTION_MANIFEST_H_
