// Checking an output folder against its MANIFEST.json (and signature).
#ifndef GENERATESHEET_TOOLS_ARCHIVE_ARCHIVE_CHECK_H_
#define GENERATESHEET_TOOLS_ARCHIVE_ARCHIVE_CHECK_H_

#include <optional>
#include <string>
#include <vector>

#include "tools/archive/archive_manifest.h"

namespace generatesheet::cli {

struct ArchiveCheck {
  // One line per file that does not match ("已改动：", "缺失：", "多出："),
  // and for the manifest or signature at fault.
  std::vector<std::string> findings;
  // Said but no failure: a signature left unchecked for want of a key.
  std::vector<std::string> notes;
  size_t files = 0;  // files the manifest lists
  bool signature_checked = false;
};

// The largest MANIFEST.json verify reads for a folder: a generous multiple
// of what the manifest of the files there takes (an entry is a few hundred
// bytes and its name; a student's entry copies strings of the student's
// results file), and never less than the floor, so a manifest still reads
// after most of its files went.  A larger one is refused unread.
inline constexpr size_t kManifestSizeFloor = 16 * 1024 * 1024;
inline constexpr size_t kManifestBytesPerFile = 1024;
inline constexpr size_t kManifestBytesPerNameByte = 32;
size_t ManifestSizeCap(const std::string& folder, const FolderContents& contents);

// A manifest may list at most this many files more than the folder holds:
// each listed file costs memory (a few hundred bytes) far beyond its few
// bytes of text, and a manifest of a folder that lost more than this many
// files would only be a list of them.  One listing more is refused.
inline constexpr size_t kManifestMissingFiles = 200000;

// Checks every file of `folder` (ending with "/") against its manifest, the
// manifest against its own hash and, with `public_key` (a public key file),
// against its signature, the bytes before their contents.  Throws Error
// naming the file when the manifest cannot be read, is larger than
// ManifestSizeCap, lists more than kManifestMissingFiles files beyond those
// of the folder, or is no manifest (manifest_listing.h).  Every name in a
// finding, note or error is a PrintableName.
ArchiveCheck CheckArchive(const std::string& folder, const std::optional<std::string>& public_key);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_ARCHIVE_ARCHIVE_CHECK_H_
