// What verify needs of a MANIFEST.json: its format and the files it lists,
// read without trusting its shape.  The text is parsed as a stream of
// events (no document is built), nesting is capped, only the fields of the
// listed files are kept, and no part of the text is copied into a message.
#ifndef GENERATESHEET_TOOLS_ARCHIVE_MANIFEST_LISTING_H_
#define GENERATESHEET_TOOLS_ARCHIVE_MANIFEST_LISTING_H_

#include <map>
#include <string>
#include <string_view>

#include "tools/archive/archive_manifest.h"

namespace generatesheet::cli {

// A manifest nests three levels (the manifest, its files, a file); later
// versions of the layout may nest a little deeper, never this deep.
inline constexpr size_t kMaxManifestNesting = 16;

struct ManifestListing {
  std::string format;  // "" when the text has no "format" string
  // Each listed file's exact name (from "path_base64" when the entry has
  // one, else from "path") and what it held.
  std::map<std::string, FileDigest> files;
};

// Parses `text`, the manifest at `where`.  Throws Error naming `where` when
// the text is not JSON, nests deeper than kMaxManifestNesting, is not an
// object, or its "files" is not an array of entries each with a path, a
// size and a sha256, naming the entry by its position, or its "files"
// holds more than `max_files` entries (the parse stops there, so the
// listing never holds more).  An entry's path is not checked here.
ManifestListing ReadManifestListing(std::string_view text, const std::string& where,
                                    size_t max_files);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_ARCHIVE_MANIFEST_LISTING_H_
