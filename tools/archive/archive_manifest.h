// MANIFEST.json: the record of every file in an output folder (size and
// SHA-256), of the program and the time that wrote it, and of each
// student's package, so the folder can be checked years later, by
// generate-sheet verify or by any other program (doc/archive-manifest.md).
// MANIFEST.json.sig beside it, when asked for, is its Ed25519 signature.
#ifndef GENERATESHEET_TOOLS_ARCHIVE_ARCHIVE_MANIFEST_H_
#define GENERATESHEET_TOOLS_ARCHIVE_ARCHIVE_MANIFEST_H_

#include <cstdint>
#include <string>
#include <vector>

namespace generatesheet::cli {

inline constexpr char kArchiveFormat[] = "generate-sheet archive manifest 1";
// The manifest's own hash is the SHA-256 of the file with this field's value
// empty; the field comes first, so it is the first occurrence of the text.
inline constexpr char kSelfHashField[] = "\"manifest_sha256\": \"";

struct FileDigest {
  std::uint64_t size = 0;
  std::string sha256;  // lowercase hex
};

// Reads the regular file at `path` in pieces; throws Error naming the file
// (a link, a folder or a pipe is refused, never followed or waited on).
FileDigest DigestOfFile(const std::string& path);
std::string Sha256Hex(const std::string& bytes);
// The hash of a package for its student's record; "" when it cannot be read.
std::string PackageSha256(const std::string& package);

// The files of `folder` and its subfolders, as paths relative to it with
// "/" between names, sorted, the manifest and its signature left out.
// Links are never followed.
struct FolderContents {
  std::vector<std::string> files;   // regular files
  std::vector<std::string> others;  // links, pipes, sockets, devices
};
FolderContents ListFolder(const std::string& folder);

// Writes MANIFEST.json into `folder` (ending with "/") atomically, listing
// every file there now and every student whose results file is there.
// With a `signing_key` file, writes MANIFEST.json.sig as well; without one,
// removes a signature of an earlier manifest.  Returns the number of files
// listed; throws Error naming the file that could not be read or written.
size_t WriteArchiveManifest(const std::string& folder, const std::string& signing_key);

// WriteArchiveManifest after a command's work; false, with the reason on
// stderr, when the manifest could not be written.
bool WriteArchiveManifestAfterWork(const std::string& folder, const std::string& signing_key);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_ARCHIVE_ARCHIVE_MANIFEST_H_
