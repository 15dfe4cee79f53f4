// Checking an output folder against its MANIFEST.json (and signature).
#ifndef GENERATESHEET_TOOLS_ARCHIVE_ARCHIVE_CHECK_H_
#define GENERATESHEET_TOOLS_ARCHIVE_ARCHIVE_CHECK_H_

#include <optional>
#include <string>
#include <vector>

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

// Checks every file of `folder` (ending with "/") against its manifest, the
// manifest against its own hash and, with `public_key` (a public key file),
// against its signature.  Throws Error naming the file when the manifest
// cannot be read or is no manifest.
ArchiveCheck CheckArchive(const std::string& folder, const std::optional<std::string>& public_key);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_ARCHIVE_ARCHIVE_CHECK_H_
