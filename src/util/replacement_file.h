// Files replaced whole: the new bytes go to a hidden temporary file beside
// the target and the temporary file is renamed over the target, so a reader
// sees the old file or the new one, never a part.  Files that must survive
// a crash (pages, keys) are also flushed to disk first; files that can be
// made again from their source (a decrypted database) skip the flush.
#ifndef GENERATESHEET_UTIL_REPLACEMENT_FILE_H_
#define GENERATESHEET_UTIL_REPLACEMENT_FILE_H_

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "util/file_descriptor.h"

namespace generatesheet {

// The folder part of a native path: "." for a bare name, "/" for the root.
std::string ParentFolder(const std::string& path);

// Writes a file that must not exist yet (a key): whole under a temporary
// name in its folder (".<temp_stem>-XXXXXX", made `mode` before any byte),
// flushed, then linked to `path`.  link() never replaces a file, so an
// existing one is refused and the new one appears complete or not at all.
// `what` names the file in messages ("主密钥文件").
void WriteNewFile(const std::string& path, std::string_view content, mode_t mode,
                  const std::string& temp_stem, const std::string& what);

// Whether Commit() waits until the new file and its name are on disk.
enum class Durability { kDurable, kReproducible };

// A temporary file beside `target` (a native path) that replaces it on
// Commit() and is removed if it never does.  The target may be read-only:
// only the folder must be writable.
class ReplacementFile {
 public:
  ReplacementFile(const std::string& target, mode_t mode,
                  Durability durability = Durability::kDurable);
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;
  ~ReplacementFile();

  int fd() const { return fd_.get(); }
  // The temporary file's path, for a writer that opens files by name.
  const std::string& temp_path() const { return temp_; }
  void Write(std::string_view data) { WriteAll(fd_.get(), data, target_); }
  void Write(const unsigned char* data, std::size_t size) {
    Write(std::string_view(reinterpret_cast<const char*>(data), size));
  }

  // Renames the temporary file over the target; a durable file is flushed
  // to disk first and the rename made durable after.
  void Commit();

 private:
  std::string target_;
  Durability durability_;
  std::string temp_;
  FileDescriptor fd_;
  bool committed_ = false;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_UTIL_REPLACEMENT_FILE_H_
